#include "core/text_pieces.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/line_split.h"

namespace {

std::vector<std::string> LinesOf(std::string_view text) {
    std::vector<std::string> lines;
    core::SplitLines(text.data(), text.size(), [&](std::size_t offset, std::size_t length) {
        lines.emplace_back(text.substr(offset, length));
    });
    return lines;
}

// Whatever size the reads have, the lines of the pieces are those of the
// whole text up to its first NUL, in two passes alike.
TEST(TextPieces, PiecesHoldTheLinesOfTheWholeText) {
    const std::string path =
        (std::filesystem::path(testing::TempDir()) / "text_pieces_test.txt").string();
    const std::string texts[] = {
        "a\r\nbb\rccc\nd",
        "\r\n\r\n\n\r\r\nx\r",
        "one long line without an end",
        "ENTITIES\r\n 10\r\n12\r\n" + std::string(40, 'z') + "\n\r",
        std::string("before\r\nnul\r") + '\0' + "\nafter\n",
    };
    for (const std::string& text : texts) {
        std::ofstream(path, std::ios::binary) << text;
        const std::vector<std::string> whole = LinesOf(std::string(text.c_str()));
        for (std::size_t read_bytes = 1; read_bytes <= 7; ++read_bytes) {
            core::TextPieces file(path, read_bytes);
            ASSERT_TRUE(file.Rereadable());
            for (int pass = 0; pass < 2; ++pass) {
                file.Rewind();
                std::vector<std::string> lines;
                std::string_view piece;
                while (file.Next(piece)) {
                    ASSERT_NE(piece.data()[piece.size()], '\n');
                    for (std::string& line : LinesOf(piece)) lines.push_back(std::move(line));
                }
                file.EndPass();
                EXPECT_EQ(lines, whole) << text << ", reads of " << read_bytes;
            }
        }
    }
    std::filesystem::remove(path);
}

}  // namespace
