#include "core/regional_symbols.h"

#include <langinfo.h>

#include <clocale>

namespace core {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The first literal between the fields of a strftime pattern such as "%H:%M:%S".
// Only a printable ASCII mark is taken: a separator must be one byte, and some
// locales write the fields with multi-byte words ("%H時%M分%S秒").
char TimeSeparatorOf(const char* pattern) {
    if (pattern == nullptr) return ':';
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (*p == '%') {
            ++p;
            // Flags, width and the E/O modifiers belong to the field.
            while (*p == '_' || *p == '-' || *p == '0' || *p == '^' || *p == '#' ||
                   (*p >= '1' && *p <= '9') || *p == 'E' || *p == 'O') {
                ++p;
            }
            if (*p == '\0') break;
            continue;  // *p is the conversion letter (or a "%%")
        }
        const char c = *p;
        if (IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == ' ') continue;
        if (c > ' ' && c < 0x7F) return c;
    }
    return ':';
}

}  // namespace

RegionalSymbols CurrentRegionalSymbols() {
    RegionalSymbols symbols;
    if (const std::lconv* conv = std::localeconv();
        conv != nullptr && conv->decimal_point != nullptr && conv->decimal_point[0] != '\0') {
        symbols.decimal_separator = conv->decimal_point[0];
    }
    symbols.time_separator = TimeSeparatorOf(nl_langinfo(T_FMT));
    return symbols;
}

}  // namespace core
