// Line lists from fuzzed bytes and from fuzzed edits.
//
// Bytes: the split must match a byte-by-byte scan, the saved bytes must be
// every line followed by CR LF, and loading those bytes must give the same
// lines (a loaded line never holds CR, LF or NUL).
// Edits: appends and replaces must read back as made, look-up and sort must
// behave, and saving and reloading must give the same lines whenever no line
// holds CR, LF or NUL.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/line_list.h"
#include "fuzz_support.h"

namespace {

using fuzz_support::LinesOf;

// A line runs to the next CR, LF or NUL; a CR, then an LF, are stepped over;
// a NUL or the end of the bytes ends the text.
std::vector<std::string> ScanLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t p = 0;
    const std::size_t n = bytes.size();
    while (p < n && bytes[p] != '\0') {
        const std::size_t start = p;
        while (p < n && bytes[p] != '\r' && bytes[p] != '\n' && bytes[p] != '\0') ++p;
        lines.emplace_back(bytes.substr(start, p - start));
        if (p < n && bytes[p] == '\r') ++p;
        if (p < n && bytes[p] == '\n') ++p;
    }
    return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) bytes += line + "\r\n";
    return bytes;
}

bool HoldsLineBreak(const std::vector<std::string>& lines) {
    return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos;
    });
}

char Folded(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

int32_t FirstMatch(const std::vector<std::string>& lines, std::string_view text) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.size() == text.size() &&
            std::equal(line.begin(), line.end(), text.begin(),
                       [](char a, char b) { return Folded(a) == Folded(b); })) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

void CheckBytes(std::string_view bytes) {
    core::LineList list;
    list.LoadFromBytes(bytes);
    const std::vector<std::string> lines = LinesOf(list);
    FUZZ_CHECK(lines == ScanLines(bytes));

    const std::string saved = list.ToBytes();
    FUZZ_CHECK(saved == Joined(lines));
    core::LineList again;
    again.LoadFromBytes(saved);
    FUZZ_CHECK(LinesOf(again) == lines);
}

void CheckEdits(FuzzedDataProvider& input) {
    core::LineList list;
    std::vector<std::string> lines;
    while (input.remaining_bytes() > 0 && lines.size() < 256) {
        const std::string text = input.ConsumeRandomLengthString(64);
        if (!lines.empty() && input.ConsumeBool()) {
            const std::size_t at = input.ConsumeIntegralInRange<std::size_t>(0, lines.size() - 1);
            list.Replace(static_cast<int64_t>(at), text);
            lines[at] = text;
        } else {
            FUZZ_CHECK(list.Append(text) == static_cast<int32_t>(lines.size()));
            lines.push_back(text);
        }
    }
    FUZZ_CHECK(LinesOf(list) == lines);

    const std::string probe = lines.empty() ? std::string() : lines.back();
    FUZZ_CHECK(list.IndexOf(probe) == FirstMatch(lines, probe));

    const std::string saved = list.ToBytes();
    FUZZ_CHECK(saved == Joined(lines));
    core::LineList again;
    again.LoadFromBytes(saved);
    if (!HoldsLineBreak(lines)) FUZZ_CHECK(LinesOf(again) == lines);

    list.Sort();
    std::vector<std::string> sorted = LinesOf(list);
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        FUZZ_CHECK(core::CompareIgnoringCase(sorted[i - 1], sorted[i]) <= 0);
    }
    std::sort(sorted.begin(), sorted.end());
    std::sort(lines.begin(), lines.end());
    FUZZ_CHECK(sorted == lines);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    if ((data[0] & 1) == 0) {
        CheckBytes(rest);
    } else {
        FuzzedDataProvider input(data + 1, size - 1);
        CheckEdits(input);
    }
    return 0;
}
