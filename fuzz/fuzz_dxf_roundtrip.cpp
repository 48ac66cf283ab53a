// Loads fuzzed lines, saves the table as DXF behind a template that holds no
// coordinate codes after its section marker, and loads that file again.
//
// The saved file holds the rows' file coordinates only: X as stored and
// H - y, which is the rounded value the row was read from. Its extents are
// therefore W' = max(0, largest X) + 1 and H' = max(0, largest H - y) + 1,
// while the first load's extents came from every coordinate code after the
// marker, including codes no entity reads. Reloading gives y' = H' - (H - y),
// so the file coordinates always survive, and the rows (and the picture)
// come back identical exactly when W' = W and H' = H.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>

#include "core/drawing_document.h"
#include "core/dxf_export.h"
#include "core/dxf_import.h"
#include "core/line_list.h"
#include "core/number_text.h"
#include "dxf_reference.h"
#include "fuzz_support.h"

namespace {

constexpr int64_t kMaxFuzzPixels = int64_t{1} << 20;

// A folder for the template and the saved file, on a memory file system when
// there is one: every save is flushed to its device.
class WorkFolder {
  public:
    WorkFolder() {
        const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string name = std::string(base) + "/dxf-roundtrip-XXXXXX";
        if (::mkdtemp(name.data()) == nullptr) std::abort();
        path_ = name;
        std::ofstream(Header(), std::ios::binary) << fuzz_support::kEntitiesHeader;
    }
    ~WorkFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    [[nodiscard]] std::string Header() const { return path_ + "/Header.dat"; }
    [[nodiscard]] std::string Output() const { return path_ + "/out.dxf"; }

  private:
    std::string path_;
};

const WorkFolder& Folder() {
    static const WorkFolder folder;
    return folder;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool HasPosition(std::string_view kind) {
    return kind != core::row::kPolylineStart && kind != core::row::kPolylineEnd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::string text;
    if ((data[0] & 1) != 0) text = fuzz_support::kEntitiesHeader;
    text.append(reinterpret_cast<const char*>(data + 1), size - 1);
    core::LineList lines;
    lines.LoadFromBytes(text);

    fuzz_support::ExpectedLoad expected = fuzz_support::ExpectedExtents(lines);
    if (expected.failure || expected.width * expected.height > kMaxFuzzPixels) return 0;
    fuzz_support::ExpectRows(lines, expected);
    if (expected.failure) return 0;

    core::DrawingDocument first;
    core::LoadDxfLines(first, lines);
    const int64_t h = first.DrawHeight;

    // The extents of the saved file, and the range of its file Y values.
    int64_t max_x = 0;
    int64_t max_file_y = 0;
    int64_t min_file_y = 0;
    for (int32_t i = 0; i < first.RowCount(); ++i) {
        if (!HasPosition(first.KindList.Read(i))) continue;
        const int64_t file_y = h - core::ParseWhole(first.YList.Read(i));
        max_x = std::max<int64_t>(max_x, core::ParseWhole(first.XList.Read(i)));
        max_file_y = std::max(max_file_y, file_y);
        min_file_y = std::min(min_file_y, file_y);
    }
    const int64_t width = max_x + 1;
    const int64_t height = max_file_y + 1;
    // A file Y so far below the largest that turning it over leaves 32 bits
    // cannot load again; nor is a huge picture worth making here.
    if (height - min_file_y > std::numeric_limits<int32_t>::max()) return 0;
    if (width * height > kMaxFuzzPixels) return 0;

    const WorkFolder& folder = Folder();
    core::SaveDxf(first, folder.Output(), folder.Header());
    FUZZ_CHECK(ReadFile(folder.Output()) ==
               std::string(fuzz_support::kEntitiesHeader) + core::DxfEntityLines(first).ToBytes());

    core::DrawingDocument second;
    core::LoadDxf(second, folder.Output());
    FUZZ_CHECK(second.DrawWidth == width);
    FUZZ_CHECK(second.DrawHeight == height);
    FUZZ_CHECK(second.RowCount() == first.RowCount());
    for (int32_t i = 0; i < first.RowCount(); ++i) {
        const std::string kind = first.KindList.Read(i);
        FUZZ_CHECK(second.KindList.Read(i) == kind);
        FUZZ_CHECK(second.XList.Read(i) == first.XList.Read(i));
        FUZZ_CHECK(second.StateList.Read(i) == core::row::kNormal);
        if (HasPosition(kind)) {
            FUZZ_CHECK(height - core::ParseWhole(second.YList.Read(i)) ==
                       h - core::ParseWhole(first.YList.Read(i)));
        } else {
            FUZZ_CHECK(second.YList.Read(i) == "0");
        }
    }
    if (width == first.DrawWidth && height == first.DrawHeight) {
        FUZZ_CHECK(fuzz_support::Snapshot(second) == fuzz_support::Snapshot(first));
    }
    return 0;
}
