#pragma once
// Conversions between numbers and their texts. Texts are raw bytes; every
// rejection raises the Failure whose message names the text as passed.
#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// Whole number: decimal or hexadecimal ("$", "x", "X", "0x", "0X") with
// leading blanks and one sign; nothing may follow the digits.
[[nodiscard]] int32_t ParseWhole(std::string_view text);

// Decimal text to an extended-precision real. The separator defaults to the
// user's regional decimal separator.
[[nodiscard]] long double ParseReal(std::string_view text);
[[nodiscard]] long double ParseReal(std::string_view text, char decimal_separator);

// Rounds halves away from zero; `min_digits` is the number of zeros of the
// pattern ("0" gives 1, "000000" gives 6).
[[nodiscard]] std::string RoundText(long double value, int min_digits);

// A DXF coordinate text to a whole number: ParseReal with ".", narrowed to
// double, rounded halves away from zero, read back with ParseWhole. The
// separator is "." whatever the regional settings, so drawings open anywhere.
[[nodiscard]] int32_t NumText(std::string_view text);
// The same conversion always taken the long way (ParseReal, RoundText,
// ParseWhole). NumText answers plain texts without it; both must agree.
[[nodiscard]] int32_t NumTextExact(std::string_view text);

[[nodiscard]] std::string WholeText(int64_t value);
// A sum narrowed to 32 bits; out of range it fails the way a whole-number
// text of that value would, instead of wrapping into a wrong size or position.
[[nodiscard]] int32_t CheckedWhole(int64_t value);
[[nodiscard]] std::string HexText(int32_t value, int min_digits);
// Local time of day as "hh:nn:ss" with the regional time separator.
[[nodiscard]] std::string ClockText();
// Formats a given time of day the same way (hours 0..23).
[[nodiscard]] std::string ClockText(int hour, int minute, int second, char time_separator);
// Strips leading and trailing bytes 0..32.
[[nodiscard]] std::string_view TrimBlanks(std::string_view text);

}  // namespace core
