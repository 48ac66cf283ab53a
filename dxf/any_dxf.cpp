#include "dxf/any_dxf.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <thread>

#include "core/failure.h"
#include "core/file_read.h"
#include "core/row_drawing.h"
#include "dxf/dxf_failure.h"
#include "dxf/entity_geometry.h"
#include "dxf/pixel_rows.h"
#include "dxf/section_reader.h"
#include "dxf/tag_stream.h"
#include "raster/resource_error.h"

namespace dxf {
namespace {

// The default scale keeps drawings of 500 to 8000 units at one pixel a unit
// and brings all others to this many pixels across their larger side.
constexpr double kDefaultLow = 500.0;
constexpr double kDefaultHigh = 8000.0;
constexpr double kDefaultPixels = 2000.0;

double ChosenScale(const Extents& extents, const ScaleRequest& request) {
    const double width = extents.empty ? 0.0 : extents.max_x - extents.min_x;
    const double height = extents.empty ? 0.0 : extents.max_y - extents.min_y;
    switch (request.mode) {
        case ScaleRequest::Mode::Fixed:
            if (!(request.scale > 0.0) || !std::isfinite(request.scale)) {
                throw BadScale(request.scale);
            }
            return request.scale;
        case ScaleRequest::Mode::Fit: {
            // The picture is one column wider than the drawing and two rows
            // higher (the top row and the bottom edge of the fixed layout).
            if (request.fit_width < 1 || request.fit_height < 2) {
                throw FitTooSmall(request.fit_width, request.fit_height);
            }
            double scale = 0.0;
            auto limit = [&scale](double extent, int32_t room) {
                if (extent <= 0.0) return;
                const double s = room / extent;
                if (scale == 0.0 || s < scale) scale = s;
            };
            limit(width, request.fit_width - 1);
            limit(height, request.fit_height - 2);
            if (scale == 0.0) {
                if (width > 0.0 || height > 0.0) {
                    throw FitTooSmall(request.fit_width, request.fit_height);
                }
                return 1.0;
            }
            return scale;
        }
        case ScaleRequest::Mode::Default:
            break;
    }
    const double larger = std::max(width, height);
    if (larger == 0.0 || (larger >= kDefaultLow && larger <= kDefaultHigh)) return 1.0;
    return kDefaultPixels / larger;
}

PixelGrid GridFor(const Extents& extents, double scale) {
    PixelGrid grid;
    grid.scale = scale;
    if (extents.empty) return grid;
    grid.min_x = extents.min_x;
    grid.max_y = extents.max_y;
    const double columns = std::round((extents.max_x - extents.min_x) * scale) + 1.0;
    const double rows = std::round((extents.max_y - extents.min_y) * scale) + 2.0;
    if (!(columns * rows <= static_cast<double>(raster::kMaxPixels))) {
        // A scale that overflowed (extents of a few denormals) gives no count.
        auto count = [](double side) {
            return side < 9e18 ? static_cast<int64_t>(side) : INT64_MAX;
        };
        throw PictureTooLarge(count(columns), count(rows));
    }
    grid.width = static_cast<int32_t>(columns);
    grid.height = static_cast<int32_t>(rows);
    return grid;
}

struct LoadedDrawing {
    int32_t width = 1;
    int32_t height = 1;
    std::unique_ptr<raster::TBitmap> bitmap;
    std::vector<core::Row> rows;
    ImportReport report;
};

// Below this a section is read on one thread: a helper would not pay.
constexpr std::size_t kPieceBytes = std::size_t{4} << 20;

// The ENTITIES section in two pieces on two threads, split where an entity
// starts near the middle of what is left of the file. Each piece has its own
// visitor; the second piece counts only when the section reaches it. The
// result does not depend on the threads: the split depends on the bytes
// alone, and the pieces are put together in file order.
class PiecewiseEntities {
  public:
    PiecewiseEntities(std::string_view bytes, const TagStream& at_section) : bytes_(bytes) {
        start_ = at_section.Position();
        start_line_ = at_section.Line();
        if (!at_section.Binary() && bytes.size() - start_ > kPieceBytes) {
            split_ = EntityStartAfter(bytes, start_ + (bytes.size() - start_) / 2);
        }
        if (split_ != std::string_view::npos) {
            split_line_ =
                start_line_ + std::count(bytes.begin() + static_cast<std::ptrdiff_t>(start_),
                                         bytes.begin() + static_cast<std::ptrdiff_t>(split_), '\n');
        }
    }

    // Reads the section from `stream` standing at its start; leaves the
    // stream and tag where it ended. Returns false when the bytes ended.
    bool Read(TagStream& stream, Tag& tag, const EntityVisitor& first,
              const EntityVisitor& second) {
        if (split_ == std::string_view::npos) {
            second_used_ = false;
            return ReadEntities(stream, tag, std::string_view::npos, first).more;
        }
        TagStream later = stream;
        later.Seek(split_, split_line_);
        Tag later_tag;
        EntityRun later_run;
        std::exception_ptr later_error;
        std::thread helper([&] {
            try {
                later_run = ReadEntities(later, later_tag, std::string_view::npos, second);
            } catch (...) {
                later_error = std::current_exception();
            }
        });
        EntityRun run;
        std::exception_ptr error;
        try {
            run = ReadEntities(stream, tag, split_, first);
        } catch (...) {
            error = std::current_exception();
        }
        helper.join();
        if (error) std::rethrow_exception(error);
        second_used_ = run.stopped;
        if (!second_used_) return run.more;
        if (later_error) std::rethrow_exception(later_error);
        stream = later;
        tag = later_tag;
        return later_run.more;
    }

    [[nodiscard]] bool SecondUsed() const { return second_used_; }
    [[nodiscard]] std::size_t Start() const { return start_; }
    [[nodiscard]] int64_t StartLine() const { return start_line_; }

  private:
    std::string_view bytes_;
    std::size_t start_ = 0;
    int64_t start_line_ = 0;
    std::size_t split_ = std::string_view::npos;
    int64_t split_line_ = 0;
    bool second_used_ = false;
};

// Rows kept in the batches they came in, so that keeping them never copies
// them all at once.
class RowBatches {
  public:
    void Add(const core::Row* rows, std::size_t count) {
        batches_.emplace_back(rows, rows + count);
        count_ += count;
    }
    [[nodiscard]] std::size_t Count() const { return count_; }
    template <typename Visit>
    void ForEach(Visit&& visit) const {
        for (const std::vector<core::Row>& batch : batches_) visit(batch);
    }
    // Appends every row to `rows`, freeing each batch once it is copied.
    void MoveInto(std::vector<core::Row>& rows) {
        for (std::vector<core::Row>& batch : batches_) {
            rows.insert(rows.end(), batch.begin(), batch.end());
            batch = std::vector<core::Row>{};
        }
        batches_.clear();
        count_ = 0;
    }

  private:
    std::vector<std::vector<core::Row>> batches_;
    std::size_t count_ = 0;
};

void AddExtents(ExtentsSink& into, const ExtentsSink& from) {
    const Extents& e = from.Result();
    if (e.empty) return;
    into.Point({e.min_x, e.min_y});
    into.Point({e.max_x, e.max_y});
}

void AddCounts(std::map<std::string, int64_t>& into, const GeometryWriter& writer) {
    for (const auto& [name, count] : writer.NotDrawn()) into[name] += count;
}

LoadedDrawing LoadAside(std::string_view bytes, core::DxfVariant variant,
                        const ScaleRequest& request) {
    if (request.mode == ScaleRequest::Mode::Fixed) ChosenScale({}, request);
    TagStream stream(bytes);
    const bool binary = stream.Binary();
    DrawingModel model;

    // First the extents of everything drawn, blocks and curves included.
    ExtentsSink extents;
    std::optional<PiecewiseEntities> pieces;
    auto measure = [&](TagStream& at, Tag& tag) {
        pieces.emplace(bytes, at);
        ExtentsSink first_sink;
        ExtentsSink second_sink;
        GeometryWriter first(model, first_sink, binary);
        GeometryWriter second(model, second_sink, binary);
        const bool more = pieces->Read(
            at, tag, [&first](const Entity& entity) { first.Draw(entity); },
            [&second](const Entity& entity) { second.Draw(entity); });
        extents = ExtentsSink{};
        AddExtents(extents, first_sink);
        if (pieces->SecondUsed()) AddExtents(extents, second_sink);
        return more;
    };
    ReadDrawing(stream, model, measure);
    if (model.tables_after_entities && pieces) {
        // Layers or blocks came late: measure again now that they are known.
        TagStream again = stream;
        again.Seek(pieces->Start(), pieces->StartLine());
        Tag tag;
        measure(again, tag);
    }

    // Then the rows at the scale those extents call for.
    LoadedDrawing drawing;
    drawing.report.scale = ChosenScale(extents.Result(), request);
    const PixelGrid grid = GridFor(extents.Result(), drawing.report.scale);
    drawing.width = grid.width;
    drawing.height = grid.height;
    std::unique_ptr<core::RowPicture> picture;
    try {
        picture = std::make_unique<core::RowPicture>(grid.width, grid.height, variant);
    } catch (const raster::ResourceError&) {
        throw PictureTooLarge(grid.width, grid.height);
    }
    // The first piece's rows are drawn as they come; the second piece's wait
    // in their batches for the first to end. Each piece holds whole chains,
    // so the pen needs nothing carried over between them.
    const bool keeps_rows = variant == core::DxfVariant::Editor;
    RowBatches first_rows;
    RowBatches later_rows;
    std::map<std::string, int64_t> not_drawn;
    if (pieces) {
        RowSink first_sink(grid, [&](const core::Row* rows, std::size_t count) {
            picture->Add(rows, count);
            if (keeps_rows) first_rows.Add(rows, count);
        });
        RowSink second_sink(grid, [&later_rows](const core::Row* rows, std::size_t count) {
            later_rows.Add(rows, count);
        });
        GeometryWriter first(model, first_sink, binary);
        GeometryWriter second(model, second_sink, binary);
        TagStream again = stream;
        again.Seek(pieces->Start(), pieces->StartLine());
        Tag tag;
        pieces->Read(
            again, tag, [&](const Entity& entity) { first.Draw(entity); },
            [&](const Entity& entity) { second.Draw(entity); });
        first_sink.Flush();
        second_sink.Flush();
        AddCounts(not_drawn, first);
        if (pieces->SecondUsed()) {
            AddCounts(not_drawn, second);
        } else {
            later_rows = RowBatches{};
        }
    }
    if (first_rows.Count() + later_rows.Count() > static_cast<std::size_t>(RowSink::kMaxRows)) {
        throw TooManyRows(RowSink::kMaxRows);
    }
    later_rows.ForEach(
        [&](const std::vector<core::Row>& batch) { picture->Add(batch.data(), batch.size()); });
    if (keeps_rows) {
        drawing.rows.reserve(first_rows.Count() + later_rows.Count());
        first_rows.MoveInto(drawing.rows);
        later_rows.MoveInto(drawing.rows);
    }
    for (const auto& [name, count] : not_drawn) drawing.report.not_drawn.emplace_back(name, count);
    try {
        drawing.bitmap = picture->Finish();
    } catch (const raster::ResourceError&) {
        throw PictureTooLarge(grid.width, grid.height);
    }
    return drawing;
}

void Install(core::DrawingDocument& document, LoadedDrawing& drawing) {
    // Everything loaded: from here on nothing can fail.
    document.Image1.SetWidth(drawing.width);
    document.Image1.SetHeight(drawing.height);
    document.Image1.Picture.Install(std::move(drawing.bitmap));
    if (document.Variant() == core::DxfVariant::Editor) {
        document.DrawWidth = drawing.width;
        document.DrawHeight = drawing.height;
        document.Rows = std::move(drawing.rows);
    }
}

// The file's bytes, read whole. Not mapped: a file cut short by another
// program while mapped would end the process with SIGBUS.
class FileBytes {
  public:
    explicit FileBytes(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) Fail(path, errno);
        struct stat info {};
        std::size_t expected = 0;
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
            expected = static_cast<std::size_t>(info.st_size);
        }
        if (expected > core::kMaxTextBytes) {
            ::close(fd);
            throw raster::ResourceError();
        }
        // The size the file has now, then whatever it still gives (a pipe,
        // or a file that grows meanwhile). The room is not cleared first:
        // read() fills it.
        buffer_ = std::make_unique_for_overwrite<char[]>(expected);
        std::size_t have = 0;
        char more[1 << 16];
        for (;;) {
            char* into = have < expected ? buffer_.get() + have : more;
            const std::size_t room = have < expected ? expected - have : sizeof more;
            const ssize_t got = ::read(fd, into, room);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                const int error = errno;
                ::close(fd);
                Fail(path, error);
            }
            if (got == 0) break;
            // A pipe that never ends must not take all memory: the text
            // reader's bound holds here too.
            if (static_cast<std::size_t>(got) > core::kMaxTextBytes - have) {
                ::close(fd);
                throw raster::ResourceError();
            }
            if (into == more) {
                if (grown_.empty()) grown_.assign(buffer_.get(), expected);
                grown_.append(more, static_cast<std::size_t>(got));
            }
            have += static_cast<std::size_t>(got);
        }
        size_ = std::min(have, expected);
        ::close(fd);
    }

    [[nodiscard]] std::string_view View() const {
        return grown_.empty() ? std::string_view(buffer_.get(), size_) : std::string_view(grown_);
    }

  private:
    [[noreturn]] static void Fail(const std::string& path, int error) {
        throw core::CannotOpen(core::FullPath(path), core::SystemErrorText(error));
    }
    std::unique_ptr<char[]> buffer_;
    std::size_t size_ = 0;
    std::string grown_;  // only for a file that grew while it was read
};

}  // namespace

ImportReport LoadAnyDxfBytes(core::DrawingDocument& document, std::string_view bytes,
                             const ScaleRequest& scale) {
    LoadedDrawing drawing;
    try {
        drawing = LoadAside(bytes, document.Variant(), scale);
    } catch (const std::bad_alloc&) {
        throw raster::ResourceError();
    }
    Install(document, drawing);
    return drawing.report;
}

ImportReport LoadAnyDxf(core::DrawingDocument& document, const std::string& path,
                        const ScaleRequest& scale) {
    const FileBytes bytes(path);
    return LoadAnyDxfBytes(document, bytes.View(), scale);
}

std::string NotDrawnLine(const ImportReport& report) {
    if (report.not_drawn.empty()) return {};
    std::string line = "not drawn:";
    for (std::size_t i = 0; i < report.not_drawn.size(); ++i) {
        line += i == 0 ? " " : ", ";
        line += report.not_drawn[i].first + " " + std::to_string(report.not_drawn[i].second);
    }
    return line;
}

}  // namespace dxf
