#include "core/fixed_layout_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <vector>

#include "core/entities_marker.h"

namespace core {
namespace {

// Enough to tell a file of another program, which shows itself in its first
// entity, while a large fixed-layout file costs next to nothing.
constexpr int kEntitiesJudged = 512;
constexpr std::size_t kLinesJudged = std::size_t{1} << 18;
constexpr std::string_view kBinaryMark = "AutoCAD Binary DXF";
// A file's start read for the answer at most; beyond it the file counts as fixed.
constexpr std::size_t kMostRead = std::size_t{64} << 20;

// A code line and where it stands after its keyword.
struct CodeAt {
    int offset;
    std::string_view code;
};

// The code lines before the values the fixed reader takes; it reads an
// entity only when its last value line exists.
struct Layout {
    std::string_view keyword;
    int last_line;
    std::array<CodeAt, 4> codes;
    int code_count;
};

constexpr std::array<Layout, 3> kLayouts = {{
    {"POINT", 8, {{{5, " 10"}, {7, " 20"}}}, 2},
    {"LINE", 14, {{{7, " 10"}, {9, " 20"}, {11, " 11"}, {13, " 21"}}}, 4},
    {"VERTEX", 6, {{{3, " 10"}, {5, " 20"}}}, 2},
}};

// Splits text into lines as a line list reads them (CR LF, CR or LF). The
// last line of a file's start may be cut short, so it is left out.
class LineCursor {
  public:
    LineCursor(std::string_view text, bool whole) : text_(text), whole_(whole) {}
    bool Next(std::string_view& line) {
        if (at_ >= text_.size()) return false;
        const std::size_t end = text_.find_first_of("\r\n", at_);
        if (end == std::string_view::npos || (!whole_ && end + 1 == text_.size())) {
            if (!whole_) return false;
            line = text_.substr(at_);
            at_ = text_.size();
            return true;
        }
        line = text_.substr(at_, end - at_);
        at_ =
            end + (text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n' ? 2 : 1);
        return true;
    }

  private:
    std::string_view text_;
    bool whole_;
    std::size_t at_ = 0;
};

std::string_view Trimmed(std::string_view line) {
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    return line;
}

// An entity type such as LINE, LWPOLYLINE or 3DFACE. Value lines of the
// fixed layout are followed by code lines with blanks, never by one of these.
bool IsEntityName(std::string_view line) {
    bool letter = false;
    for (const char c : line) {
        if (c >= 'A' && c <= 'Z') {
            letter = true;
        } else if ((c < '0' || c > '9') && c != '_') {
            return false;
        }
    }
    return letter;
}

bool IsFixedLayoutName(std::string_view name) {
    for (const std::string_view known :
         {"POINT", "LINE", "POLYLINE", "VERTEX", "SEQEND", "ENDSEC", "EOF", "SECTION"}) {
        if (name == known) return true;
    }
    return false;
}

bool MisreadAt(const std::vector<std::string_view>& lines, std::size_t i) {
    // An entity of a type the layout does not have, or with a handle right
    // after its type, as other programs write.
    if (i > 0 && Trimmed(lines[i - 1]) == "0" && IsEntityName(lines[i])) {
        if (!IsFixedLayoutName(lines[i])) return true;
        if (i + 1 < lines.size() && Trimmed(lines[i + 1]) == "5") return true;
    }
    for (const Layout& layout : kLayouts) {
        if (lines[i] != layout.keyword) continue;
        if (i + static_cast<std::size_t>(layout.last_line) >= lines.size()) return false;
        for (int c = 0; c < layout.code_count; ++c) {
            const CodeAt& at = layout.codes[static_cast<std::size_t>(c)];
            if (lines[i + static_cast<std::size_t>(at.offset)] != at.code) return true;
        }
        return false;
    }
    return false;
}

}  // namespace

LayoutCheck CheckFixedLayout(std::string_view bytes, bool whole) {
    if (bytes.substr(0, kBinaryMark.size()) == kBinaryMark) return LayoutCheck::Other;
    if (!whole && bytes.size() < kBinaryMark.size()) return LayoutCheck::Undecided;
    if (const std::size_t nul = bytes.find('\0'); nul != std::string_view::npos) {
        bytes = bytes.substr(0, nul);  // where the reader's text ends
        whole = true;
    }

    LineCursor cursor(bytes, whole);
    std::string_view line;
    bool found = false;
    while (!found && cursor.Next(line)) found = IsEntitiesMarker(line);
    if (!found) return whole ? LayoutCheck::Fixed : LayoutCheck::Undecided;

    std::vector<std::string_view> lines;
    int entities = 0;
    bool ran_out = true;
    while (cursor.Next(line)) {
        if (line == "ENDSEC" && !lines.empty() && Trimmed(lines.back()) == "0") {
            ran_out = false;  // the end of the entities
            break;
        }
        lines.push_back(line);
        if (Trimmed(line) == "0" && ++entities > kEntitiesJudged) {
            ran_out = false;
            break;
        }
        if (lines.size() >= kLinesJudged) {
            ran_out = false;
            break;
        }
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (MisreadAt(lines, i)) return LayoutCheck::Other;
    }
    return ran_out && !whole ? LayoutCheck::Undecided : LayoutCheck::Fixed;
}

bool IsOtherLayoutFile(const std::string& path) {
    // Without waiting: opening a pipe to read would block until a writer came.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info {};
    std::string start;
    LayoutCheck verdict = LayoutCheck::Fixed;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        // The start grows by doubling, so a long header is scanned about twice at most.
        std::size_t want = std::size_t{64} * 1024;
        for (bool whole = false; !whole;) {
            const std::size_t had = start.size();
            start.resize(want);
            std::size_t got = had;
            while (got < want) {
                const ssize_t n = ::read(fd, start.data() + got, want - got);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) break;
                got += static_cast<std::size_t>(n);
            }
            whole = got < want;
            start.resize(got);
            verdict = CheckFixedLayout(start, whole);
            if (verdict != LayoutCheck::Undecided || want >= kMostRead) break;
            want *= 2;
        }
    }
    ::close(fd);
    return verdict == LayoutCheck::Other;
}

}  // namespace core
