#include "png/png_encoder.h"

#include <png.h>

#include <cstdint>
#include <exception>
#include <new>
#include <stdexcept>
#include <vector>

#include "raster/resource_error.h"

namespace png {
namespace {

// What the write callback reaches: where the bytes go, and the failure that
// stopped them. libpng is C: an exception must not unwind through it, so it
// is kept here and thrown again once libpng has returned.
struct Sink {
    const std::function<void(std::string_view)>* write = nullptr;
    std::exception_ptr failure;
};

void WriteData(png_structp png, png_bytep data, png_size_t length) {
    auto* sink = static_cast<Sink*>(png_get_io_ptr(png));
    try {
        (*sink->write)(std::string_view(reinterpret_cast<const char*>(data), length));
    } catch (...) {
        sink->failure = std::current_exception();
    }
    if (sink->failure) png_error(png, "write failed");
}

void FlushData(png_structp) {}

// libpng's own failures (only memory, for a picture we lay out ourselves)
// end the encoding without a word on standard error.
void Failed(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void Warned(png_structp, png_const_charp) {}

class WriteStruct {
  public:
    WriteStruct() : png_(png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Failed, Warned)) {
        if (png_ != nullptr) info_ = png_create_info_struct(png_);
        if (info_ == nullptr) {
            png_destroy_write_struct(&png_, nullptr);
            throw raster::ResourceError();
        }
    }
    WriteStruct(const WriteStruct&) = delete;
    WriteStruct& operator=(const WriteStruct&) = delete;
    ~WriteStruct() { png_destroy_write_struct(&png_, &info_); }
    png_structp Png() const { return png_; }
    png_infop Info() const { return info_; }

  private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

// One picture row in the file's layout; pixels are 0x00RRGGBB.
void PackRow(const uint32_t* pixels, uint32_t width, PngLayout layout, png_bytep row) {
    switch (layout) {
        case PngLayout::BlackAndWhite:
            // Eight pixels a byte, the leftmost in the high bit; 1 is white.
            for (uint32_t x = 0; x < width; x += 8) {
                unsigned byte = 0;
                for (uint32_t bit = 0; bit < 8; ++bit) {
                    byte <<= 1;
                    if (x + bit < width && pixels[x + bit] != 0) byte |= 1;
                }
                row[x / 8] = static_cast<png_byte>(byte);
            }
            break;
        case PngLayout::Grey:
            for (uint32_t x = 0; x < width; ++x) row[x] = static_cast<png_byte>(pixels[x] & 0xFF);
            break;
        case PngLayout::Colour:
            for (std::size_t x = 0; x < width; ++x) {
                row[3 * x] = static_cast<png_byte>(pixels[x] >> 16 & 0xFF);
                row[3 * x + 1] = static_cast<png_byte>(pixels[x] >> 8 & 0xFF);
                row[3 * x + 2] = static_cast<png_byte>(pixels[x] & 0xFF);
            }
            break;
    }
}

// libpng leaves by longjmp on failure, so this frame holds nothing that needs
// destroying; false when it did.
bool WriteImage(png_structp png, png_infop info, const uint32_t* pixels, uint32_t width,
                uint32_t height, PngLayout layout, png_bytep row) {
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    const int depth = layout == PngLayout::BlackAndWhite ? 1 : 8;
    const int colour = layout == PngLayout::Colour ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY;
    png_set_IHDR(png, info, width, height, depth, colour, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Line drawings are mostly runs of white: filters gain little on them
    // for the time they cost, except for the occasional colour picture.
    png_set_filter(png, PNG_FILTER_TYPE_BASE,
                   layout == PngLayout::Colour ? PNG_ALL_FILTERS : PNG_FILTER_NONE);
    png_write_info(png, info);
    for (uint32_t y = 0; y < height; ++y) {
        PackRow(pixels + static_cast<std::size_t>(y) * width, width, layout, row);
        png_write_row(png, row);
    }
    png_write_end(png, info);
    return true;
}

}  // namespace

PngLayout PngLayoutOf(const raster::TBitmap& bitmap) {
    const uint32_t* pixels = bitmap.Data();
    if (pixels == nullptr) return PngLayout::BlackAndWhite;
    const std::size_t count =
        static_cast<std::size_t>(bitmap.Width()) * static_cast<std::size_t>(bitmap.Height());
    PngLayout layout = PngLayout::BlackAndWhite;
    for (std::size_t i = 0; i < count; ++i) {
        const uint32_t pixel = pixels[i];
        if (pixel == 0 || pixel == 0xFFFFFFu) continue;
        const uint32_t blue = pixel & 0xFF;
        if ((pixel >> 8 & 0xFF) != blue || (pixel >> 16 & 0xFF) != blue) return PngLayout::Colour;
        layout = PngLayout::Grey;
    }
    return layout;
}

void EncodePngPieces(const raster::TBitmap& bitmap,
                     const std::function<void(std::string_view)>& write) {
    const uint32_t* pixels = bitmap.Data();
    if (pixels == nullptr) return;
    const auto width = static_cast<uint32_t>(bitmap.Width());
    const auto height = static_cast<uint32_t>(bitmap.Height());
    const PngLayout layout = PngLayoutOf(bitmap);
    std::vector<png_byte> row;
    try {
        row.resize(layout == PngLayout::Colour ? std::size_t{width} * 3 : width);
    } catch (const std::bad_alloc&) {
        throw raster::ResourceError();
    } catch (const std::length_error&) {
        throw raster::ResourceError();
    }
    WriteStruct file;
    Sink sink;
    sink.write = &write;
    png_set_write_fn(file.Png(), &sink, WriteData, FlushData);
    if (WriteImage(file.Png(), file.Info(), pixels, width, height, layout, row.data())) return;
    if (sink.failure) std::rethrow_exception(sink.failure);
    throw raster::ResourceError();
}

}  // namespace png
