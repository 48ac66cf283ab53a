#include "core/number_text.h"

#include <locale.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "core/failure.h"
#include "core/regional_symbols.h"

namespace core {

namespace {

constexpr bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') <= 9; }

// What comes before the digits of a number: blanks, then an optional sign.
struct Lead {
    std::size_t digits = 0;  // where the part after them begins
    bool negative = false;
};

Lead ReadLead(std::string_view text) {
    Lead lead;
    std::size_t& i = lead.digits;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        lead.negative = text[i] == '-';
        ++i;
    }
    return lead;
}

constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// strtold follows the process locale; the texts we hand it always use ".".
locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

constexpr uint64_t kPowersOfTen[16] = {1ULL,
                                       10ULL,
                                       100ULL,
                                       1000ULL,
                                       10000ULL,
                                       100000ULL,
                                       1000000ULL,
                                       10000000ULL,
                                       100000000ULL,
                                       1000000000ULL,
                                       10000000000ULL,
                                       100000000000ULL,
                                       1000000000000ULL,
                                       10000000000000ULL,
                                       100000000000000ULL,
                                       1000000000000000ULL};

// The first 18 significant digits of a finite magnitude, the last one
// rounded to nearest, and the decimal exponent of the first.
struct Digits18 {
    int digit[18];
    int exponent;
    bool zero;
};

Digits18 SignificantDigits(long double magnitude) {
    Digits18 d{};
    char buffer[64];
    // "d.ddddddddddddddddde+X": 18 digits around the point, then the exponent.
    std::snprintf(buffer, sizeof buffer, "%.17Le", magnitude);
    d.digit[0] = buffer[0] - '0';
    for (int k = 1; k < 18; ++k) d.digit[k] = buffer[k + 1] - '0';
    d.exponent = std::atoi(buffer + 20);
    d.zero = magnitude == 0;
    return d;
}

// Magnitudes of 10^18 and more: 15 significant digits, halves away from zero,
// trailing zeros dropped, "E" and the exponent.
std::string ExponentText(const Digits18& d, bool negative) {
    int digit[15];
    for (int k = 0; k < 15; ++k) digit[k] = d.digit[k];
    int exponent = d.exponent;
    if (d.digit[15] >= 5) {
        int k = 14;
        while (k >= 0 && digit[k] == 9) digit[k--] = 0;
        if (k >= 0) {
            ++digit[k];
        } else {
            digit[0] = 1;
            ++exponent;
        }
    }
    int used = 15;
    while (used > 1 && digit[used - 1] == 0) --used;
    std::string text;
    if (negative) text.push_back('-');
    text.push_back(static_cast<char>('0' + digit[0]));
    if (used > 1) {
        text.push_back(CurrentRegionalSymbols().decimal_separator);
        for (int k = 1; k < used; ++k) text.push_back(static_cast<char>('0' + digit[k]));
    }
    text.push_back('E');
    text.append(std::to_string(exponent));
    return text;
}

// NumText for plain texts: blanks, sign, at most 15 digits around an optional
// ".", blanks. Such a value is at least half a unit of its last digit away
// from any other half, far more than double precision can blur, so rounding
// the exact decimal value gives what the long way gives. Returns false when
// the text is not plain or the result would not fit; the long way then
// decides (and names the right text when it fails).
bool PlainNumText(std::string_view text, int32_t& result) {
    const Lead lead = ReadLead(text);
    const char* p = text.data() + lead.digits;
    const char* const end = text.data() + text.size();
    const bool negative = lead.negative;
    uint64_t mantissa = 0;
    int significant = 0;
    bool any_digit = false;
    for (; p < end && IsDigit(*p); ++p) {
        any_digit = true;
        const unsigned digit = static_cast<unsigned>(*p - '0');
        if (mantissa == 0 && digit == 0) continue;  // leading zero
        if (++significant > 15) return false;
        mantissa = mantissa * 10 + digit;
    }
    int fraction = 0;
    bool separator = false;
    if (p < end && *p == '.') {
        separator = true;
        for (++p; p < end && IsDigit(*p); ++p) {
            any_digit = true;
            if (++significant > 15) return false;
            mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
            ++fraction;
        }
    }
    while (p < end && *p == ' ') ++p;
    if (p != end || (!any_digit && !separator)) return false;

    uint64_t whole = mantissa;
    if (fraction > 0) {
        const uint64_t unit = kPowersOfTen[fraction];
        whole = mantissa / unit;
        if (2 * (mantissa % unit) >= unit) ++whole;
    }
    if (negative) {
        if (whole > 2147483648ULL) return false;
        result = static_cast<int32_t>(-static_cast<int64_t>(whole));
    } else {
        if (whole > 2147483647ULL) return false;
        result = static_cast<int32_t>(whole);
    }
    return true;
}

std::string TwoDigits(int value) {
    if (value < 0 || value > 99) return std::to_string(value);
    return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

}  // namespace

int32_t ParseWhole(std::string_view text) {
    const Lead lead = ReadLead(text);
    const char* p = text.data() + lead.digits;
    const char* const end = text.data() + text.size();
    const bool negative = lead.negative;
    if (p == end) throw NotAWholeNumber(text);

    if (*p == '$' || *p == 'x' || *p == 'X' ||
        (*p == '0' && end - p >= 2 && (p[1] == 'x' || p[1] == 'X'))) {
        p += *p == '0' ? 2 : 1;
        if (p == end) throw NotAWholeNumber(text);
        uint64_t value = 0;
        for (; p < end; ++p) {
            const int digit = HexDigitValue(*p);
            if (digit < 0) throw NotAWholeNumber(text);
            value = value * 16 + static_cast<unsigned>(digit);
            if (value > 0xFFFFFFFFULL) throw NotAWholeNumber(text);
        }
        // The digits are a 32-bit pattern; the sign negates that pattern.
        uint32_t pattern = static_cast<uint32_t>(value);
        if (negative) pattern = 0U - pattern;
        return static_cast<int32_t>(pattern);
    }

    const uint64_t limit = negative ? 2147483648ULL : 2147483647ULL;
    uint64_t value = 0;
    for (; p < end; ++p) {
        const unsigned digit = static_cast<unsigned char>(*p - '0');
        if (digit > 9) throw NotAWholeNumber(text);
        value = value * 10 + digit;
        if (value > limit) throw NotAWholeNumber(text);
    }
    return negative ? static_cast<int32_t>(-static_cast<int64_t>(value))
                    : static_cast<int32_t>(value);
}

long double ParseReal(std::string_view text) {
    return ParseReal(text, CurrentRegionalSymbols().decimal_separator);
}

long double ParseReal(std::string_view text, char decimal_separator) {
    const std::size_t n = text.size();
    const Lead lead = ReadLead(text);
    std::size_t i = lead.digits;
    const bool negative = lead.negative;
    const std::size_t whole_begin = i;
    while (i < n && IsDigit(text[i])) ++i;
    const std::size_t whole_end = i;
    std::size_t fraction_begin = i;
    std::size_t fraction_end = i;
    bool separator = false;
    if (i < n && text[i] == decimal_separator) {
        separator = true;
        fraction_begin = ++i;
        while (i < n && IsDigit(text[i])) ++i;
        fraction_end = i;
    }
    if (whole_end == whole_begin && !separator) throw NotARealNumber(text);

    int exponent = 0;
    bool negative_exponent = false;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            negative_exponent = text[i] == '-';
            ++i;
        }
        while (i < n && IsDigit(text[i]) && exponent < 500) {
            exponent = exponent * 10 + (text[i] - '0');
            ++i;
        }
        if (i < n && IsDigit(text[i])) throw NotARealNumber(text);
    }
    while (i < n && text[i] == ' ') ++i;
    if (i != n) throw NotARealNumber(text);

    // The validated parts, rewritten for the C library, which rounds correctly.
    std::string plain;
    plain.reserve(whole_end - whole_begin + fraction_end - fraction_begin + 12);
    if (negative) plain.push_back('-');
    if (whole_end == whole_begin) plain.push_back('0');
    plain.append(text.substr(whole_begin, whole_end - whole_begin));
    plain.push_back('.');
    plain.append(text.substr(fraction_begin, fraction_end - fraction_begin));
    plain.push_back('e');
    if (negative_exponent) plain.push_back('-');
    plain.append(std::to_string(exponent));

    errno = 0;
    const long double value = strtold_l(plain.c_str(), nullptr, CLocale());
    // Overflow is invalid; underflow to a tiny value or zero is not.
    if (std::isinf(value)) throw NotARealNumber(text);
    return value;
}

std::string RoundText(long double value, int min_digits) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (min_digits < 1) min_digits = 1;

    const bool negative = std::signbit(value);
    const Digits18 d = SignificantDigits(std::fabs(value));
    if (!d.zero && d.exponent >= 18) return ExponentText(d, negative);

    uint64_t whole = 0;
    for (int k = 0; k <= d.exponent; ++k) whole = whole * 10 + static_cast<unsigned>(d.digit[k]);
    const int first_fraction_index = d.exponent + 1;
    const int first_fraction = (first_fraction_index >= 0 && first_fraction_index < 18)
                                   ? d.digit[first_fraction_index]
                                   : 0;
    if (first_fraction >= 5) ++whole;

    if (whole == 0) return std::string(static_cast<std::size_t>(min_digits), '0');
    const std::string digits = std::to_string(whole);
    std::string text;
    text.reserve(digits.size() + static_cast<std::size_t>(min_digits) + 1);
    if (negative) text.push_back('-');
    if (digits.size() < static_cast<std::size_t>(min_digits)) {
        text.append(static_cast<std::size_t>(min_digits) - digits.size(), '0');
    }
    text.append(digits);
    return text;
}

int32_t NumText(std::string_view text) {
    int32_t result = 0;
    if (PlainNumText(text, result)) return result;
    return NumTextExact(text);
}

int32_t NumTextExact(std::string_view text) {
    const long double value = ParseReal(text, '.');
    const double narrowed = static_cast<double>(value);
    if (std::isinf(narrowed)) throw FloatOverflow();
    return ParseWhole(RoundText(narrowed, 1));
}

std::string WholeText(int64_t value) { return std::to_string(value); }

int32_t CheckedWhole(int64_t value) {
    if (value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max()) {
        throw NotAWholeNumber(WholeText(value));
    }
    return static_cast<int32_t>(value);
}

std::string HexText(int32_t value, int min_digits) {
    if (min_digits < 0 || min_digits > 32) min_digits = 0;
    static constexpr char kDigits[] = "0123456789ABCDEF";
    char buffer[8];
    int used = 0;
    uint32_t pattern = static_cast<uint32_t>(value);
    do {
        buffer[7 - used++] = kDigits[pattern & 0xF];
        pattern >>= 4;
    } while (pattern != 0);
    std::string text;
    if (used < min_digits) text.assign(static_cast<std::size_t>(min_digits - used), '0');
    text.append(buffer + 8 - used, static_cast<std::size_t>(used));
    return text;
}

std::string ClockText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return ClockText(local.tm_hour, local.tm_min, local.tm_sec,
                     CurrentRegionalSymbols().time_separator);
}

std::string ClockText(int hour, int minute, int second, char time_separator) {
    std::string text = TwoDigits(hour);
    text.push_back(time_separator);
    text.append(TwoDigits(minute));
    text.push_back(time_separator);
    text.append(TwoDigits(second));
    return text;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
    return text;
}

}  // namespace core
