#include "core/number_text.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/failure.h"
#include "core/regional_symbols.h"
#include "support/message_of.h"

namespace core {
namespace {

using namespace std::string_literals;
using testing_support::MessageOf;

std::string NotWhole(const std::string& text) { return "'" + text + "' は整数ではありません"; }
std::string NotReal(const std::string& text) {
    return "'" + text + "' は浮動小数点数ではありません";
}
const std::string kOverflow = "浮動小数点数のオーバーフロー";

TEST(ParseWholeTest, AcceptsDecimalAndHexadecimalForms) {
    const struct {
        std::string text;
        int32_t value;
    } cases[] = {
        {"  42", 42},
        {"+7", 7},
        {"007", 7},
        {"-0", 0},
        {"0", 0},
        {"$1f", 31},
        {"x1F", 31},
        {"X1f", 31},
        {"0X1F", 31},
        {"0x1f", 31},
        {"-$10", -16},
        {"-0x10", -16},
        {"-x10", -16},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<int32_t>::min()},
        {"$FFFFFFFF", -1},
        {"$80000000", std::numeric_limits<int32_t>::min()},
        {"-$80000000", std::numeric_limits<int32_t>::min()},
        {"-$1", -1},
        {"$000000001", 1},
        {"000000000000000000000012", 12},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseWhole(c.text), c.value) << c.text;
    }
}

TEST(ParseWholeTest, RejectsInvalidTextNamingItUntrimmed) {
    const std::string cases[] = {
        "42 ",         "2147483648",
        "-2147483649", "$100000000",
        "1.0",         "",
        "   ",         "+",
        "-",           "$",
        "0x",          "-x",
        "\t5",         "5\t",
        "1e3",         "+-5",
        "- 5",         "$G",
        "0x1G",        "12a",
        "x-5",         "99999999999999999999",
        "0x 1",        "--1",
        " +",          "1 2",
    };
    for (const std::string& text : cases) {
        EXPECT_EQ(MessageOf([&] { (void)ParseWhole(text); }), NotWhole(text)) << text;
    }
    EXPECT_THROW((void)ParseWhole("1\0"s), Failure);
}

TEST(ParseWholeTest, ReadsBackEveryWholeText) {
    std::mt19937 random(7);
    std::vector<int32_t> values = {0,
                                   1,
                                   -1,
                                   9,
                                   10,
                                   -10,
                                   std::numeric_limits<int32_t>::max(),
                                   std::numeric_limits<int32_t>::min()};
    for (int i = 0; i < 10000; ++i) values.push_back(static_cast<int32_t>(random()));
    for (int32_t value : values) {
        ASSERT_EQ(ParseWhole(WholeText(value)), value);
    }
}

TEST(ParseRealTest, ReadsValidTexts) {
    const struct {
        std::string text;
        long double value;
    } cases[] = {
        {" 12.5 ", 12.5L},
        {"-.5", -0.5L},
        {"5.", 5.0L},
        {".", 0.0L},
        {"1e3", 1000.0L},
        {"1E+3", 1000.0L},
        {"1E", 1.0L},
        {"1E-", 1.0L},
        {"1e-2", 0.01L},
        {"0.1", 0.1L},
        {"+0", 0.0L},
        {"  1.5e1  ", 15.0L},
        {"007.50", 7.5L},
        {"1E0000000000000000000005", 1e5L},
        // 1e500L and 1e499L, written in hexadecimal: cppcheck cannot read decimal
        // literals beyond the range of double and would skip this file.
        {"1E500", 0xf.9b2ff649b8695d7p+1657L},
        {"1E499", 0xc.7c265ea160544acp+1654L},
        // Too small for the extended range: underflow reads as zero, it is not invalid.
        {"1E-4999", 0.0L},
        {"123456789012345678901234567890", 123456789012345678901234567890.0L},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseReal(c.text, '.'), c.value) << c.text;
    }
}

TEST(ParseRealTest, RejectsInvalidTextNamingIt) {
    const std::string cases[] = {
        "12,5",
        "1 000",
        "$10",
        "",
        "-",
        "+",
        " ",
        "e5",
        "E",
        "1e5 x",
        "1.2.3",
        "\t1",
        "1\t",
        "INF",
        "NAN",
        "0x10",
        "1e+-5",
        "--1",
        "1E5000",
        "1E-5000",
        "1E500000",
        // Within the exponent rule but beyond the extended range.
        "1E4999",
    };
    for (const std::string& text : cases) {
        EXPECT_EQ(MessageOf([&] { (void)ParseReal(text, '.'); }), NotReal(text)) << text;
    }
    EXPECT_THROW((void)ParseReal("1\0"s, '.'), Failure);
}

TEST(ParseRealTest, AcceptsOnlyTheGivenDecimalSeparator) {
    EXPECT_EQ(ParseReal("12,5", ','), 12.5L);
    EXPECT_EQ(ParseReal(",", ','), 0.0L);
    EXPECT_EQ(MessageOf([] { (void)ParseReal("12.5", ','); }), NotReal("12.5"));
}

TEST(RoundTextTest, RoundsHalvesAwayFromZeroAndPads) {
    const struct {
        long double value;
        int digits;
        std::string text;
    } cases[] = {
        {0.0L, 6, "000000"},
        {85.0L, 6, "000085"},
        {340.0L, 6, "000340"},
        {1234567.0L, 6, "1234567"},
        {2.5L, 6, "000003"},
        {-85.0L, 6, "-000085"},
        {0.5L, 1, "1"},
        {1.5L, 1, "2"},
        {2.5L, 1, "3"},
        {-2.5L, 1, "-3"},
        {0.49L, 1, "0"},
        {-0.4L, 1, "0"},
        {-0.0L, 1, "0"},
        {-0.4L, 6, "000000"},
        {1234567.5L, 1, "1234568"},
        {-1234567.49L, 1, "-1234567"},
        {2147483647.5L, 1, "2147483648"},
        // Only 18 significant digits count: nineteen nines after the point round up.
        {0.4999999999999999999L, 1, "1"},
        {0.499999999999999999L, 1, "0"},
        {999999999999999999.0L, 1, "999999999999999999"},
        {1e-30L, 1, "0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RoundText(c.value, c.digits), c.text) << static_cast<double>(c.value);
    }
}

TEST(RoundTextTest, WritesExponentFormFromTenToTheEighteenth) {
    const struct {
        long double value;
        int digits;
        std::string text;
    } cases[] = {
        {1e18L, 1, "1E18"},
        {2.5e18L, 1, "2.5E18"},
        {-2.5e18L, 6, "-2.5E18"},
        {3e20L, 6, "3E20"},
        {123456789012345678901.0L, 1, "1.23456789012346E20"},
        {123456789012345478901.0L, 1, "1.23456789012345E20"},
        {9.9999999999999951e18L, 1, "1E19"},
        {1e300L, 1, "1E300"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RoundText(c.value, c.digits), c.text) << static_cast<double>(c.value);
    }
}

TEST(NumTextTest, RoundsToNearestWholeNumber) {
    const struct {
        std::string text;
        int32_t value;
    } cases[] = {
        {"2.5", 3},
        {"-2.5", -3},
        {"0.5", 1},
        {"0.4999", 0},
        {"-0.4", 0},
        {"1.5E1", 15},
        {"12.7", 13},
        {"2147483647.4", 2147483647},
        {"-2147483648.4", std::numeric_limits<int32_t>::min()},
        // Narrowed to double before rounding: this is exactly 0.5 there.
        {"0.49999999999999999", 1},
        // The largest double below 0.5 stays below it.
        {"0.49999999999999994", 0},
        {"  12  ", 12},
        {"+.5", 1},
        {".", 0},
        {"-0.5", -1},
        {"1234", 1234},
        {"-12.25", -12},
        {"0001234.5000", 1235},
        {"1e-400", 0},
        {"123456789.123456789", 123456789},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NumText(c.text), c.value) << c.text;
        EXPECT_EQ(NumTextExact(c.text), c.value) << c.text;
    }
}

TEST(NumTextTest, FailsWithTheMessageOfTheFailingStep) {
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"2147483647.5", NotWhole("2147483648")},
        {"-2147483648.5", NotWhole("-2147483649")},
        {"3e9", NotWhole("3000000000")},
        {"999999999999", NotWhole("999999999999")},
        {"1e18", NotWhole("1E18")},
        {"-2.5e18", NotWhole("-2.5E18")},
        {"abc", NotReal("abc")},
        {"", NotReal("")},
        {"12,5", NotReal("12,5")},
        {"1E5000", NotReal("1E5000")},
        {"1E400", kOverflow},
        {"-1E309", kOverflow},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MessageOf([&] { (void)NumText(c.text); }), c.message) << c.text;
        EXPECT_EQ(MessageOf([&] { (void)NumTextExact(c.text); }), c.message) << c.text;
    }
}

// The outcome of one conversion: its value, or the message it failed with.
std::string Outcome(int32_t (*convert)(std::string_view), const std::string& text) {
    try {
        return std::to_string(convert(text));
    } catch (const Failure& failure) {
        return failure.what();
    }
}

// Texts near every rounding decision the shortcut could get wrong: halves,
// near-halves, many digits, the ends of the whole-number range, blanks, signs.
std::vector<std::string> GeneratedNumberTexts() {
    std::mt19937_64 random(20240611);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<uint64_t>(n)); };
    std::vector<std::string> texts;
    const std::string ends[] = {"2147483647", "2147483648", "2147483646", "1073741823", "0", "1"};
    for (const std::string& whole : ends) {
        for (const char* tail : {".5", ".49999999999", ".5000000000001", ".4", ".6", "", "."}) {
            texts.push_back(whole + tail);
            texts.push_back("-" + whole + tail);
        }
    }
    for (int digits = 1; digits <= 15; ++digits) {
        const std::string fraction(static_cast<std::size_t>(digits - 1), '9');
        texts.push_back("7.4" + fraction);
        texts.push_back("7.5" + std::string(static_cast<std::size_t>(digits - 1), '0'));
        texts.push_back("-7.4" + fraction + "9");
    }
    for (int i = 0; i < 150000; ++i) {
        std::string text(static_cast<std::size_t>(pick(3)), ' ');
        const int sign = pick(4);
        if (sign == 1) text += '-';
        if (sign == 2) text += '+';
        const int whole_digits = pick(12);
        const int fraction_digits = pick(4) == 0 ? -1 : pick(19);
        for (int d = 0; d < whole_digits; ++d) text += static_cast<char>('0' + pick(10));
        if (fraction_digits >= 0) {
            text += '.';
            // Mostly halves and runs of nines or zeros, which sit on the rounding edge.
            const int style = pick(4);
            for (int d = 0; d < fraction_digits; ++d) {
                char digit = static_cast<char>('0' + pick(10));
                if (style == 1) digit = d == 0 ? '5' : '0';
                if (style == 2) digit = d == 0 ? '4' : '9';
                if (style == 3 && d > 0) digit = d + 1 == fraction_digits ? '1' : '0';
                text += digit;
            }
        }
        if (pick(20) == 0) {
            text += 'E';
            text += std::to_string(pick(12) - 3);
        }
        text.append(static_cast<std::size_t>(pick(3)), ' ');
        if (pick(200) == 0) text += 'x';
        texts.push_back(text);
    }
    return texts;
}

TEST(NumTextTest, ShortcutAgreesWithTheExactConversion) {
    int mismatches = 0;
    for (const std::string& text : GeneratedNumberTexts()) {
        const std::string fast = Outcome(&NumText, text);
        const std::string exact = Outcome(&NumTextExact, text);
        if (fast != exact && ++mismatches <= 10) {
            ADD_FAILURE() << "'" << text << "': " << fast << " vs " << exact;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(WholeTextTest, WritesPlainDecimal) {
    const struct {
        int64_t value;
        std::string text;
    } cases[] = {
        {0, "0"},
        {-5, "-5"},
        {2147483647, "2147483647"},
        {std::numeric_limits<int32_t>::min(), "-2147483648"},
        {100, "100"},
    };
    for (const auto& c : cases) EXPECT_EQ(WholeText(c.value), c.text);
}

TEST(HexTextTest, WritesTheBitPatternInUpperCase) {
    const struct {
        int32_t value;
        int digits;
        std::string text;
    } cases[] = {
        {12632256, 6, "C0C0C0"},
        {16711680, 6, "FF0000"},
        {-1, 6, "FFFFFFFF"},
        {255, 6, "0000FF"},
        {0, 6, "000000"},
        {0, 0, "0"},
        {255, 33, "FF"},
        {1, 10, "0000000001"},
        {std::numeric_limits<int32_t>::min(), 1, "80000000"},
        {0xABCDEF, 2, "ABCDEF"},
    };
    for (const auto& c : cases) EXPECT_EQ(HexText(c.value, c.digits), c.text) << c.value;
}

TEST(ClockTextTest, WritesTwoDigitFieldsOnTheTwentyFourHourClock) {
    EXPECT_EQ(ClockText(9, 5, 7, ':'), "09:05:07");
    EXPECT_EQ(ClockText(23, 59, 59, ':'), "23:59:59");
    EXPECT_EQ(ClockText(0, 0, 0, '.'), "00.00.00");
    EXPECT_EQ(ClockText(13, 0, 0, ':'), "13:00:00");
}

TEST(ClockTextTest, CurrentTimeUsesTheRegionalSeparator) {
    const char separator = CurrentRegionalSymbols().time_separator;
    const std::string text = ClockText();
    ASSERT_EQ(text.size(), 8u) << text;
    EXPECT_EQ(text[2], separator);
    EXPECT_EQ(text[5], separator);
    for (std::size_t at : {0u, 1u, 3u, 4u, 6u, 7u}) {
        EXPECT_TRUE(text[at] >= '0' && text[at] <= '9') << text;
    }
    EXPECT_LE(std::stoi(text.substr(0, 2)), 23) << text;
    EXPECT_LE(std::stoi(text.substr(3, 2)), 59) << text;
    EXPECT_LE(std::stoi(text.substr(6, 2)), 60) << text;  // a leap second
}

TEST(TrimBlanksTest, StripsControlBytesAndBlanksAtBothEnds) {
    const struct {
        std::string text;
        std::string trimmed;
    } cases[] = {
        {"  12 ", "12"},    {" \t \t", ""}, {"", ""},         {"a b", "a b"},
        {"\x01x\x1f", "x"}, {"!", "!"},     {"\0 5\0"s, "5"}, {"\x80x\xff", "\x80x\xff"},
    };
    for (const auto& c : cases) EXPECT_EQ(TrimBlanks(c.text), c.trimmed);
}

// A locale of our own with "," as decimal separator and "." between the time
// fields, compiled into a scratch folder and made current for one test.
class RegionalLocale {
  public:
    RegionalLocale()
        : folder_(std::filesystem::temp_directory_path() /
                  ("regional_locale." + std::to_string(::getpid()))),
          numeric_(std::setlocale(LC_NUMERIC, nullptr)),
          time_(std::setlocale(LC_TIME, nullptr)) {
        std::filesystem::create_directories(folder_);
        const std::string source = (folder_ / "src").string();
        std::ofstream(source) << "LC_NUMERIC\ndecimal_point \",\"\nthousands_sep \".\"\n"
                                 "grouping 3;3\nEND LC_NUMERIC\n"
                                 "LC_TIME\nt_fmt \"%H.%M.%S\"\nEND LC_TIME\n";
        // localedef complains about the categories left out but writes a usable locale.
        const std::string command = "localedef -c -i '" + source + "' -f ANSI_X3.4-1968 '" +
                                    (folder_ / "xx_XX").string() + "' >/dev/null 2>&1";
        [[maybe_unused]] const int status = std::system(command.c_str());
        ::setenv("LOCPATH", folder_.c_str(), 1);
        active_ = std::setlocale(LC_NUMERIC, "xx_XX") != nullptr &&
                  std::setlocale(LC_TIME, "xx_XX") != nullptr;
    }
    ~RegionalLocale() {
        std::setlocale(LC_NUMERIC, numeric_.c_str());
        std::setlocale(LC_TIME, time_.c_str());
        ::unsetenv("LOCPATH");
        std::filesystem::remove_all(folder_);
    }
    RegionalLocale(const RegionalLocale&) = delete;
    RegionalLocale& operator=(const RegionalLocale&) = delete;
    bool Active() const { return active_; }

  private:
    std::filesystem::path folder_;
    std::string numeric_;
    std::string time_;
    bool active_ = false;
};

TEST(RegionalSymbolsTest, DefaultsToPointAndColon) {
    const RegionalSymbols symbols = CurrentRegionalSymbols();
    EXPECT_EQ(symbols.decimal_separator, '.');
    EXPECT_EQ(symbols.time_separator, ':');
    EXPECT_EQ(ParseReal("12.5"), 12.5L);
}

TEST(RegionalSymbolsTest, FollowTheLocaleExceptInNumText) {
    RegionalLocale locale;
    if (!locale.Active()) GTEST_SKIP() << "localedef cannot make a locale here";
    const RegionalSymbols symbols = CurrentRegionalSymbols();
    EXPECT_EQ(symbols.decimal_separator, ',');
    EXPECT_EQ(symbols.time_separator, '.');
    EXPECT_EQ(ParseReal("12,5"), 12.5L);
    EXPECT_EQ(MessageOf([] { (void)ParseReal("12.5"); }), NotReal("12.5"));
    EXPECT_EQ(ClockText().substr(2, 1), ".");
    EXPECT_EQ(RoundText(2.5e18L, 1), "2,5E18");
    // Drawings keep opening: coordinates are read with "." whatever the settings.
    EXPECT_EQ(NumText("12.5"), 13);
    EXPECT_EQ(NumTextExact("-2.5"), -3);
    EXPECT_EQ(MessageOf([] { (void)NumText("12,5"); }), NotReal("12,5"));
}

}  // namespace
}  // namespace core
