// Number texts from fuzzed bytes. Every conversion either gives the value a
// plain reading of the text gives, or fails with its exact message naming
// the text as passed; the quick and the long NumText always agree.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "core/failure.h"
#include "core/number_text.h"
#include "fuzz_support.h"

namespace {

// A value or the message of the failure.
template <class T>
using Outcome = std::variant<T, std::string>;

template <class Call>
auto Run(Call&& call) -> Outcome<decltype(call())> {
    try {
        return call();
    } catch (const core::Failure& failure) {
        return std::string(failure.what());
    }
}

// A message travels as a C string, so a text holding NUL is cut there; no
// line of a file or entry of a dialog can hold one.
std::string AsCarried(std::string message) { return message.substr(0, message.find('\0')); }

std::string IntegerMessage(std::string_view text) {
    return AsCarried("'" + std::string(text) + "' は整数ではありません");
}

std::string RealMessage(std::string_view text) {
    return AsCarried("'" + std::string(text) + "' は浮動小数点数ではありません");
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Blanks, one sign, then "$", "x", "X", "0x" or "0X" and hex digits (a 32-bit
// pattern), or decimal digits within the 32-bit range; nothing after.
std::optional<int32_t> ReadWhole(std::string_view t) {
    std::size_t p = 0;
    while (p < t.size() && t[p] == ' ') ++p;
    bool negative = false;
    if (p < t.size() && (t[p] == '+' || t[p] == '-')) negative = t[p++] == '-';
    const std::string_view body = t.substr(p);
    std::size_t prefix = 0;
    if (!body.empty() && (body[0] == '$' || body[0] == 'x' || body[0] == 'X')) {
        prefix = 1;
    } else if (body.size() >= 2 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X')) {
        prefix = 2;
    }
    const std::string_view digits = body.substr(prefix);
    if (digits.empty()) return std::nullopt;
    uint64_t value = 0;
    for (const char c : digits) {
        const int digit = prefix > 0 ? HexValue(c) : (IsDigit(c) ? c - '0' : -1);
        if (digit < 0) return std::nullopt;
        value = value * (prefix > 0 ? 16 : 10) + static_cast<uint64_t>(digit);
        if (value > 0xFFFFFFFFULL) return std::nullopt;
    }
    if (prefix > 0) {
        const uint32_t pattern = static_cast<uint32_t>(value);
        return static_cast<int32_t>(negative ? 0U - pattern : pattern);
    }
    if (value > (negative ? 2147483648ULL : 2147483647ULL)) return std::nullopt;
    return static_cast<int32_t>(negative ? -static_cast<int64_t>(value)
                                         : static_cast<int64_t>(value));
}

// The parts of a real text that decide its validity and, for short ones,
// its exact value: value = mantissa * 10^scale.
struct RealText {
    bool valid = false;
    bool negative = false;
    bool zero = true;             // no non-zero digit
    int64_t magnitude = 0;        // decimal exponent of the first non-zero digit
    std::size_t significant = 0;  // digits from the first non-zero one on
    uint64_t mantissa = 0;        // those digits, when there are at most 19
    int64_t scale = 0;
};

RealText ReadReal(std::string_view t, char separator) {
    RealText r;
    std::size_t p = 0;
    const std::size_t n = t.size();
    while (p < n && t[p] == ' ') ++p;
    if (p < n && (t[p] == '+' || t[p] == '-')) r.negative = t[p++] == '-';
    std::string digits;  // whole and fraction digits together
    while (p < n && IsDigit(t[p])) digits.push_back(t[p++]);
    const bool any_whole = !digits.empty();
    int64_t fraction_digits = 0;
    bool has_separator = false;
    if (p < n && t[p] == separator) {
        has_separator = true;
        ++p;
        for (; p < n && IsDigit(t[p]); ++p, ++fraction_digits) digits.push_back(t[p]);
    }
    if (!any_whole && !has_separator) return r;
    int64_t exponent = 0;
    bool negative_exponent = false;
    if (p < n && (t[p] == 'E' || t[p] == 'e')) {
        ++p;
        if (p < n && (t[p] == '+' || t[p] == '-')) negative_exponent = t[p++] == '-';
        while (p < n && IsDigit(t[p]) && exponent < 500) exponent = exponent * 10 + (t[p++] - '0');
        if (p < n && IsDigit(t[p])) return r;
    }
    while (p < n && t[p] == ' ') ++p;
    if (p != n) return r;
    r.valid = true;
    if (negative_exponent) exponent = -exponent;

    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return r;
    r.zero = false;
    r.significant = digits.size() - first;
    r.scale = exponent - fraction_digits;
    r.magnitude = static_cast<int64_t>(r.significant) - 1 + r.scale;
    if (r.significant <= 19) {
        for (std::size_t k = first; k < digits.size(); ++k) {
            r.mantissa = r.mantissa * 10 + static_cast<uint64_t>(digits[k] - '0');
        }
    }
    return r;
}

// The long double of mantissa * 10^scale when both factors are exact, so
// that one multiplication or division rounds it correctly.
std::optional<long double> ExactValue(const RealText& r) {
    if (r.zero) return 0.0L;
    if (r.significant > 19 || r.scale < -27 || r.scale > 27) return std::nullopt;
    long double power = 1.0L;
    for (int64_t k = 0; k < (r.scale < 0 ? -r.scale : r.scale); ++k) power *= 10.0L;
    const auto mantissa = static_cast<long double>(r.mantissa);
    return r.scale < 0 ? mantissa / power : mantissa * power;
}

void CheckWhole(std::string_view text) {
    const Outcome<int32_t> got = Run([&] { return core::ParseWhole(text); });
    const std::optional<int32_t> expected = ReadWhole(text);
    if (!expected) {
        FUZZ_CHECK(std::holds_alternative<std::string>(got));
        FUZZ_CHECK(std::get<std::string>(got) == IntegerMessage(text));
        return;
    }
    FUZZ_CHECK(std::holds_alternative<int32_t>(got));
    const int32_t value = std::get<int32_t>(got);
    FUZZ_CHECK(value == *expected);
    FUZZ_CHECK(core::WholeText(value) == std::to_string(value));
    FUZZ_CHECK(core::ParseWhole(core::WholeText(value)) == value);
    FUZZ_CHECK(core::ParseWhole("$" + core::HexText(value, 6)) == value);
}

void CheckReal(std::string_view text, char separator) {
    const Outcome<long double> got = Run([&] { return core::ParseReal(text, separator); });
    const RealText expected = ReadReal(text, separator);
    // Beyond about 1.19E4932 the extended range ends; the two exponents
    // next to it depend on the digits.
    const bool surely_in_range = expected.zero || expected.magnitude < 4931;
    const bool surely_beyond = !expected.zero && expected.magnitude > 4932;
    if (!expected.valid || surely_beyond) {
        FUZZ_CHECK(std::holds_alternative<std::string>(got));
        FUZZ_CHECK(std::get<std::string>(got) == RealMessage(text));
        return;
    }
    if (std::holds_alternative<std::string>(got)) {
        FUZZ_CHECK(!surely_in_range);
        FUZZ_CHECK(std::get<std::string>(got) == RealMessage(text));
        return;
    }
    const long double value = std::get<long double>(got);
    FUZZ_CHECK(std::isfinite(value));
    FUZZ_CHECK(value == 0 || std::signbit(value) == expected.negative);
    if (const std::optional<long double> exact = ExactValue(expected)) {
        FUZZ_CHECK(std::fabs(value) == *exact);
    }
}

void CheckNumText(std::string_view text) {
    const Outcome<int32_t> quick = Run([&] { return core::NumText(text); });
    const Outcome<int32_t> exact = Run([&] { return core::NumTextExact(text); });
    FUZZ_CHECK(quick == exact);

    const Outcome<long double> real = Run([&] { return core::ParseReal(text, '.'); });
    if (std::holds_alternative<std::string>(real)) {
        FUZZ_CHECK(quick == Outcome<int32_t>(RealMessage(text)));
        return;
    }
    const double narrowed = static_cast<double>(std::get<long double>(real));
    if (std::isinf(narrowed)) {
        FUZZ_CHECK(quick == Outcome<int32_t>(std::string("浮動小数点数のオーバーフロー")));
        return;
    }
    // Halves away from zero, on the double.
    const double rounded = std::round(narrowed);
    if (rounded >= -2147483648.0 && rounded <= 2147483647.0) {
        FUZZ_CHECK(quick == Outcome<int32_t>(static_cast<int32_t>(rounded)));
        return;
    }
    FUZZ_CHECK(std::holds_alternative<std::string>(quick));
    const std::string& message = std::get<std::string>(quick);
    if (std::fabs(rounded) < 1e18) {
        FUZZ_CHECK(message == IntegerMessage(std::to_string(static_cast<int64_t>(rounded))));
    } else {
        // Written in exponent form, which no whole-number text allows.
        const std::string tail = "' は整数ではありません";
        FUZZ_CHECK(message.size() > tail.size() + 1 && message.front() == '\'');
        FUZZ_CHECK(message.compare(message.size() - tail.size(), tail.size(), tail) == 0);
        FUZZ_CHECK(message.find('E') != std::string::npos);
    }
}

void CheckTrim(std::string_view text) {
    const std::string_view trimmed = core::TrimBlanks(text);
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    if (!trimmed.empty()) FUZZ_CHECK(!blank(trimmed.front()) && !blank(trimmed.back()));
    const std::size_t head = static_cast<std::size_t>(trimmed.data() - text.data());
    FUZZ_CHECK(head + trimmed.size() <= text.size());
    for (std::size_t i = 0; i < head; ++i) FUZZ_CHECK(blank(text[i]));
    for (std::size_t i = head + trimmed.size(); i < text.size(); ++i) FUZZ_CHECK(blank(text[i]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckWhole(text);
    CheckReal(text, '.');
    CheckReal(text, ',');
    CheckNumText(text);
    CheckTrim(text);
    return 0;
}
