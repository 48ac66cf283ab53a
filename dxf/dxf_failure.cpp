#include "dxf/dxf_failure.h"

#include <cstdio>
#include <string>

namespace dxf {
namespace {

// Long enough to recognise, short enough that a binary blob or a
// megabyte-long line cannot fill the error box.
constexpr std::size_t kQuoteLength = 24;

std::string Quote(std::string_view text) {
    std::string quoted;
    for (const char c : text.substr(0, kQuoteLength)) {
        const auto byte = static_cast<unsigned char>(c);
        quoted += byte < 0x20 || byte == 0x7f ? '?' : c;
    }
    if (text.size() > kQuoteLength) quoted += "...";
    return quoted;
}

std::string Where(Place place) {
    return place.binary ? std::to_string(place.at) + " バイト目"
                        : std::to_string(place.at) + " 行目";
}

}  // namespace

core::Failure NotDxf(Place place) {
    return core::Failure(Where(place) + ": DXF ファイルではありません");
}

core::Failure BadGroupCode(Place place, std::string_view text) {
    return core::Failure(Where(place) + ": グループコード '" + Quote(text) +
                         "' が数値ではありません");
}

core::Failure MissingValue(Place place, int32_t code) {
    return core::Failure(Where(place) + ": グループコード " + std::to_string(code) +
                         " の値がありません");
}

core::Failure BadValue(Place place, int32_t code, std::string_view text) {
    return core::Failure(Where(place) + ": グループコード " + std::to_string(code) + " の値 '" +
                         Quote(text) + "' が数値ではありません");
}

core::Failure TooManyInstances(Place place, int64_t limit) {
    return core::Failure(Where(place) + ": ブロックの挿入が多すぎます (図形 " +
                         std::to_string(limit) + " 個を超えます)");
}

core::Failure TooManyRows(int64_t limit) {
    return core::Failure("図形の線が多すぎます (" + std::to_string(limit) +
                         " 個を超えます)。--scale か --fit で縮小してください");
}

core::Failure PictureTooLarge(int64_t width, int64_t height) {
    return core::Failure("画像 " + std::to_string(width) + " x " + std::to_string(height) +
                         " ピクセルはメモリに入りません。--scale か --fit で縮小してください");
}

core::Failure FitTooSmall(int32_t width, int32_t height) {
    return core::Failure("--fit " + std::to_string(width) + "x" + std::to_string(height) +
                         " に収まる画像を作れません");
}

core::Failure BadScale(double scale) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", scale);
    return core::Failure(std::string("倍率 ") + text + " は正の数ではありません");
}

}  // namespace dxf
