#include "core/line_list.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "core/failure.h"
#include "support/message_of.h"
#include "support/scratch_dir.h"

namespace core {
namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;
using testing_support::MessageOf;
using testing_support::ReadFile;
using testing_support::ScratchDir;
using testing_support::WriteFile;

Lines LinesOf(const LineList& list) {
    Lines lines;
    for (int32_t i = 0; i < list.Count(); ++i) lines.emplace_back(list.Read(i));
    return lines;
}

LineList ListOf(const Lines& lines) {
    LineList list;
    for (const std::string& line : lines) list.Append(line);
    return list;
}

// The line rules written out byte by byte, to check the block scanner against.
Lines SplitByRule(const std::string& bytes) {
    Lines lines;
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n && bytes[i] != '\0') {
        std::string line;
        while (i < n && bytes[i] != '\r' && bytes[i] != '\n' && bytes[i] != '\0')
            line += bytes[i++];
        lines.push_back(line);
        if (i < n && bytes[i] == '\r') ++i;
        if (i < n && bytes[i] == '\n') ++i;
    }
    return lines;
}

const struct SplitCase {
    std::string bytes;
    Lines lines;
} kSplitCases[] = {
    {"A\r\nB", {"A", "B"}},
    {"A\nB\n", {"A", "B"}},
    {"A\r\rB", {"A", "", "B"}},
    {"\n\r", {"", ""}},
    {"\r\n", {""}},
    {"", {}},
    {"A", {"A"}},
    {"A\r", {"A"}},
    {"A\n\nB", {"A", "", "B"}},
    {"A\r\n\r\nB", {"A", "", "B"}},
    {"A\n\r\nB", {"A", "", "B"}},
    {"\tA \r\n", {"\tA "}},
    {"  0 \r\n", {"  0 "}},
    {"A\0B\r\nC"s, {"A"}},
    {"\0A"s, {}},
    {"A\r\0B"s, {"A"}},
    {"A\r\n\0\r\n"s, {"A"}},
    {"\x81\x40\xff\r\n", {"\x81\x40\xff"}},
};

TEST(LineListTest, SplitsBytesAtLineEnds) {
    for (const SplitCase& c : kSplitCases) {
        LineList list;
        list.LoadFromBytes(c.bytes);
        EXPECT_EQ(LinesOf(list), c.lines) << testing::PrintToString(c.bytes);
    }
}

TEST(LineListTest, LoadsFilesByTheSameRules) {
    ScratchDir dir;
    for (const SplitCase& c : kSplitCases) {
        WriteFile(dir.File("in.txt"), c.bytes);
        LineList list;
        list.Append("old");
        list.LoadFromFile(dir.File("in.txt"));
        EXPECT_EQ(LinesOf(list), c.lines) << testing::PrintToString(c.bytes);
    }
}

TEST(LineListTest, LineEndsOnEveryBlockBoundaryCountOnce) {
    for (std::size_t width = 0; width < 100; ++width) {
        const std::string line(width, 'x');
        LineList list;
        std::string bytes = line;
        bytes.append("\r\ny").append(line).append("\ry").append(line).append("\ny");
        list.LoadFromBytes(bytes);
        const Lines expected = {line, "y" + line, "y" + line, "y"};
        ASSERT_EQ(LinesOf(list), expected) << width;
    }
}

TEST(LineListTest, RandomBytesSplitAsTheRulesSay) {
    std::mt19937 random(11);
    const char alphabet[] = {'a', 'b', '\r', '\n', ' ', '\r', '\n', 'Z'};
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(random() % 300, ' ');
        for (char& c : bytes) c = alphabet[random() % sizeof alphabet];
        if (random() % 10 == 0 && !bytes.empty()) bytes[random() % bytes.size()] = '\0';
        LineList list;
        list.LoadFromBytes(bytes);
        ASSERT_EQ(LinesOf(list), SplitByRule(bytes)) << testing::PrintToString(bytes);
    }
}

TEST(LineListTest, KeepsBlanksExactly) {
    LineList list;
    list.LoadFromBytes("  0 \r\n");
    EXPECT_EQ(list.Read(0), "  0 ");
    EXPECT_NE(list.Read(0), "  0");
}

TEST(LineListTest, SavedBytesEndEveryLineWithCrLf) {
    const struct {
        Lines lines;
        std::string bytes;
    } cases[] = {
        {{"A", ""}, "A\r\n\r\n"},
        {{}, ""},
        {{""}, "\r\n"},
        {{"0", "  10 ", "ENTITIES"}, "0\r\n  10 \r\nENTITIES\r\n"},
    };
    ScratchDir dir;
    for (const auto& c : cases) {
        const LineList list = ListOf(c.lines);
        EXPECT_EQ(list.ToBytes(), c.bytes);
        list.SaveToFile(dir.File("out.txt"));
        EXPECT_EQ(ReadFile(dir.File("out.txt")), c.bytes);
        LineList again;
        again.LoadFromFile(dir.File("out.txt"));
        EXPECT_EQ(LinesOf(again), c.lines);
    }
}

TEST(LineListTest, FailedLoadNamesFullPathAndKeepsLines) {
    ScratchDir dir;
    LineList list = ListOf({"kept", "too"});
    const std::string missing = dir.File("missing.dxf");
    EXPECT_EQ(MessageOf([&] { list.LoadFromFile(missing); }),
              "ファイル \"" + missing + "\". 指定されたファイルが見つかりません。 は開けません");
    EXPECT_EQ(LinesOf(list), (Lines{"kept", "too"}));

    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(MessageOf([&] { list.LoadFromFile("no_such_folder_x/a.dxf"); }),
              "ファイル \"" + cwd +
                  "/no_such_folder_x/a.dxf\". 指定されたファイルが見つかりません。 は開けません");

    EXPECT_NE(MessageOf([&] { list.LoadFromFile(dir.File("")); }), "");
    EXPECT_EQ(LinesOf(list), (Lines{"kept", "too"}));
}

TEST(LineListTest, AppendReturnsTheNewIndex) {
    LineList list;
    EXPECT_EQ(list.Append("a"), 0);
    EXPECT_EQ(list.Append(""), 1);
    EXPECT_EQ(list.Append("a"), 2);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(LinesOf(list), (Lines{"a", "", "a"}));
}

TEST(LineListTest, IndexOutsideTheListFailsAndChangesNothing) {
    const int64_t bad[] = {-1, 3, -2, 4, int64_t{1} << 40, -(int64_t{1} << 40)};
    for (int64_t index : bad) {
        LineList list = ListOf({"a", "b", "c"});
        const std::string message =
            "リストのインデックスが範囲を超えています (" + std::to_string(index) + ")";
        EXPECT_EQ(MessageOf([&] { (void)list.Read(index); }), message);
        EXPECT_EQ(MessageOf([&] { list.Replace(index, "zzzz"); }), message);
        EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "c"}));
    }
    LineList empty;
    EXPECT_EQ(MessageOf([&] { (void)empty.Read(0); }),
              "リストのインデックスが範囲を超えています (0)");
}

TEST(LineListTest, ReplaceAcceptsShorterLongerAndOwnLines) {
    LineList list;
    list.LoadFromBytes("one\r\ntwo\r\nthree\r\n");
    list.Replace(0, "1");
    list.Replace(1, "a much longer line");
    list.Replace(2, list.Read(1));
    list.Append(list.Read(0));
    list.Replace(0, "");
    EXPECT_EQ(LinesOf(list), (Lines{"", "a much longer line", "a much longer line", "1"}));
}

TEST(LineListTest, ManyReplacementsKeepEveryLine) {
    LineList list;
    Lines model;
    for (int i = 0; i < 20000; ++i) {
        model.push_back(std::to_string(i));
        list.Append(model.back());
    }
    std::mt19937 random(5);
    for (int round = 0; round < 200000; ++round) {
        const auto index = static_cast<int64_t>(random() % model.size());
        std::string text(random() % 40, static_cast<char>('a' + round % 26));
        list.Replace(index, text);
        model[static_cast<std::size_t>(index)] = text;
    }
    EXPECT_EQ(LinesOf(list), model);
}

TEST(LineListTest, ClearRemovesEveryLine) {
    LineList list = ListOf({"a", "b"});
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.ToBytes(), "");
    EXPECT_EQ(list.Append("c"), 0);
}

TEST(LineListTest, IndexOfFindsFirstMatchIgnoringCaseOnly) {
    const LineList list = ListOf({"SECTION", " ENTITIES", "ENTITIES ", "entities", "EnTiTiEs", ""});
    const struct {
        std::string text;
        int32_t index;
    } cases[] = {
        {"ENTITIES", 3}, {"entities", 3}, {" entities", 1}, {"ENTITIES ", 2},
        {"section", 0},  {"", 5},         {"ENTITIE", -1},  {"ENTITIESS", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(list.IndexOf(c.text), c.index) << c.text;
    EXPECT_EQ(LineList().IndexOf("ENTITIES"), -1);
}

TEST(LineListTest, SortOrdersIgnoringCase) {
    const struct {
        Lines lines;
        Lines sorted;
    } cases[] = {
        {{"b", "A", "c"}, {"A", "b", "c"}},
        {{"000340", "000085", "000170", "000000"}, {"000000", "000085", "000170", "000340"}},
        {{"ab", "a", "B"}, {"a", "ab", "B"}},
        {{"only"}, {"only"}},
        {{}, {}},
    };
    for (const auto& c : cases) {
        LineList list = ListOf(c.lines);
        list.Sort();
        EXPECT_EQ(LinesOf(list), c.sorted);
    }
}

TEST(LineListTest, IndexOfStaysLinearAfterSort) {
    LineList list = ListOf({"b", "a", "B"});
    list.Sort();
    EXPECT_EQ(list.IndexOf("b"), 1);
    EXPECT_EQ(LinesOf(list)[0], "a");
}

TEST(CompareIgnoringCaseTest, FoldsAsciiLettersOnly) {
    const struct {
        std::string a;
        std::string b;
        int sign;
    } cases[] = {
        {"ENTITIES", "entities", 0},
        {"a", "B", -1},
        {"B", "a", 1},
        {"abc", "ab", 1},
        {"", "", 0},
        {"000085", "000170", -1},
        {" ENTITIES", "ENTITIES", -1},
        {"\xe9", "\xc9", 1},
    };
    for (const auto& c : cases) {
        const int result = CompareIgnoringCase(c.a, c.b);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " / " << c.b;
    }
}

}  // namespace
}  // namespace core
