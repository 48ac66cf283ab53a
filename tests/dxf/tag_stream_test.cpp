#include "dxf/tag_stream.h"

#include <gtest/gtest.h>

#include <charconv>
#include <random>
#include <string>

namespace {

// The fast path for plain decimals must give exactly what from_chars gives.
TEST(TagStream, NumbersReadAsFromCharsReadsThem) {
    const dxf::TagStream stream("0\nSECTION\n");
    std::mt19937_64 random(7);
    std::vector<std::string> texts = {"0",
                                      "-0",
                                      "5.",
                                      ".5",
                                      "-12.25",
                                      "123456789012345",
                                      "1234567890123456",
                                      "0.1",
                                      "9007199254740993",
                                      "1e3",
                                      "-4E-2",
                                      "3.141592653589793238"};
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 17);
        std::string text = random() % 2 ? "-" : "";
        const int point = static_cast<int>(random() % (digits + 1));
        for (int d = 0; d < digits; ++d) {
            if (d == point) text += '.';
            text += static_cast<char>('0' + random() % 10);
        }
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        double expected = 0.0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        dxf::Tag tag;
        tag.code = 10;
        tag.text = text;
        EXPECT_EQ(stream.Real(tag), expected) << text;
    }
}

}  // namespace
