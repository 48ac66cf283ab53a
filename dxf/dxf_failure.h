#pragma once
// The messages this reader fails with. Each names where the trouble stands
// (a line of a text file, a byte of a binary one) and quotes at most a short
// piece of the offending text.
#include <cstdint>
#include <string_view>

#include "core/failure.h"

namespace dxf {

// Where a tag stands: a line number of a text file, or a byte offset of a
// binary one.
struct Place {
    int64_t at = 0;
    bool binary = false;
};

// "%s: DXF ファイルではありません"
[[nodiscard]] core::Failure NotDxf(Place place);
// "%s: グループコード '%s' が数値ではありません"
[[nodiscard]] core::Failure BadGroupCode(Place place, std::string_view text);
// "%s: グループコード %d の値がありません"
[[nodiscard]] core::Failure MissingValue(Place place, int32_t code);
// "%s: グループコード %d の値 '%s' が数値ではありません"
[[nodiscard]] core::Failure BadValue(Place place, int32_t code, std::string_view text);
// "%s: ブロックの挿入が多すぎます (図形 %lld 個を超えます)"
[[nodiscard]] core::Failure TooManyInstances(Place place, int64_t limit);
// "図形の線が多すぎます (%lld 個を超えます)。--scale か --fit で縮小してください"
[[nodiscard]] core::Failure TooManyRows(int64_t limit);
// "画像 %lld x %lld ピクセルはメモリに入りません。--scale か --fit で縮小してください"
[[nodiscard]] core::Failure PictureTooLarge(int64_t width, int64_t height);
// "--fit %d x %d に収まる画像を作れません"
[[nodiscard]] core::Failure FitTooSmall(int32_t width, int32_t height);
// "倍率 %s は正の数ではありません"
[[nodiscard]] core::Failure BadScale(double scale);

}  // namespace dxf
