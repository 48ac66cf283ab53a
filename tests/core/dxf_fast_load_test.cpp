// The one-pass load against the plain line-by-line load: same picture, table,
// size and message on every input.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/drawing_document.h"
#include "core/dxf_import.h"
#include "core/failure.h"
#include "core/file_read.h"
#include "dxf_builder.h"
#include "raster/resource_error.h"
#include "support/scratch_dir.h"

namespace {

using core::DrawingDocument;
using core::DxfVariant;

struct Outcome {
    std::optional<std::string> failure;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<core::Row> rows;
    std::vector<uint32_t> pixels;
    bool operator==(const Outcome&) const = default;
};

enum class Way { Plain, Fast, KeptPart, TextTwice, File };

Outcome Load(DxfVariant variant, const std::string& bytes, Way way) {
    DrawingDocument document(variant);
    Outcome outcome;
    try {
        if (way == Way::Fast) {
            core::LoadDxfBytes(document, bytes);
        } else if (way == Way::KeptPart) {
            core::LoadDxfBytes(document, bytes, 40);  // gives up after a few entities
        } else if (way == Way::TextTwice) {
            core::LoadDxfBytes(document, bytes, 0);
        } else if (way == Way::File) {
            const std::string path =
                (std::filesystem::path(testing::TempDir()) / "dxf_fast_load_test.dxf").string();
            std::ofstream(path, std::ios::binary) << bytes;
            core::LoadDxf(document, path);
        } else {
            core::LineList lines;
            lines.LoadFromBytes(bytes);
            core::LoadDxfLines(document, lines);
        }
    } catch (const std::exception& failure) {
        outcome.failure = failure.what();
        return outcome;
    }
    const raster::TBitmap& bitmap = document.Image1.Picture.Bitmap();
    outcome.width = bitmap.Width();
    outcome.height = bitmap.Height();
    outcome.rows = document.Rows;
    const uint32_t* data = bitmap.Data();
    outcome.pixels.assign(data, data + static_cast<std::size_t>(outcome.width) * outcome.height);
    return outcome;
}

void ExpectSameLoads(const std::string& bytes, const char* name) {
    SCOPED_TRACE(name);
    for (const DxfVariant variant : {DxfVariant::Editor, DxfVariant::Viewer}) {
        const Outcome plain = Load(variant, bytes, Way::Plain);
        // Keeping the entities between the passes or reading the text again,
        // and from a file read in pieces.
        for (const Way way : {Way::Fast, Way::KeptPart, Way::TextTwice, Way::File}) {
            const Outcome fast = Load(variant, bytes, way);
            EXPECT_EQ(fast.failure.value_or("none"), plain.failure.value_or("none"));
            EXPECT_TRUE(fast == plain);
        }
    }
}

std::string Entities(const std::string& body) { return "  0\nSECTION\n  2\nENTITIES\n" + body; }

TEST(DxfFastLoad, AgreesWithPlainLoadOnOddFiles) {
    const std::string line = "LINE\n8\nL\n6\nC\n62\n7\n 10\n1\n 20\n2\n 11\n7\n 21\n5\n";
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"no marker", "  0\nLINE\n"},
        {"marker first", "entities\n 10\n5\n"},
        {"lower-case marker, mixed line ends", "x\r\nEnTiTiEs\r 10\r\n3\n\r 20\n4\n"},
        {"code on the last line", Entities(" 10\n3\n 20")},
        {"bad extents value", Entities(" 10\n3\n 20\nabc\n 11\n1e400\n")},
        {"code line as a value", Entities(" 10\n 20\n7\n")},
        {"line", Entities(line + "POINT\n8\nL\n62\n7\n 10\n4\n 20\n4\n")},
        {"entity cut short ends the pass", Entities(line + line.substr(0, 30))},
        {"non-number at a fixed offset", Entities("POINT\n\n\n\n\n\nxyz\n\n3\n" + line)},
        {"cut-short line before a failing vertex",
         Entities("LINE\n\nVERTEX\n\n\n\nbad\n\n9\n 10\n5\n")},
        {"turned-over Y out of range", Entities("POINT\n\n\n\n\n\n1\n\n-2147483648\n")},
        {"vertex after SEQEND",
         Entities("POLYLINE\nVERTEX\n\n\n 10\n1\n 20\n1\nSEQEND\nVERTEX\n\n\n 10\n9\n 20\n6\n")},
        {"negative and far-off ends", Entities(" 10\n-9e8\n 11\n40\n 20\n-40\n 21\n30\n"
                                               "VERTEX\n\n\n\n-900000000\n\n7\nVERTEX\n\n\n\n"
                                               "2000000000\n\n-1000000000\n")},
        {"picture too large", Entities(" 10\n70000\n 20\n70000\n")},
        {"text ends at NUL", Entities(line + std::string(1, '\0') + "ENTITIES\n 10\nx\n")},
        {"a line of megabytes", Entities(line + "POINT\n8\n" + std::string(3 << 20, 'x') +
                                         "\n62\n7\n 10\n4\n 20\n4\n" + line)},
    };
    for (const auto& c : cases) ExpectSameLoads(c.bytes, c.name);
}

// Enough long lines that whole tiles fill up and both picture halves are drawn
// at once, over an odd size so the last tiles are partial.
TEST(DxfFastLoad, AgreesWithPlainLoadOnDenseDrawing) {
    std::mt19937 random(7);
    auto coordinate = [&](int high) {
        return std::to_string(std::uniform_int_distribution<int>(-20, high)(random));
    };
    dxf_test::DxfBuilder file;
    file.Point("0", "0").Point("300", "201");
    for (int n = 0; n < 25000; ++n) {
        file.Line(coordinate(330), coordinate(230), coordinate(330), coordinate(230));
    }
    file.Polyline({{"5", "5"}, {"290", "7"}, {"6", "200"}});
    ExpectSameLoads(file.End().Text(), "dense");
}

TEST(DxfFastLoad, ReadingStopsAtTheFirstNul) {
    const core::TextBytes zero = core::ReadText("/dev/zero");
    EXPECT_EQ(zero.View().size(), 0u);
    DrawingDocument document;
    try {
        core::LoadDxf(document, "/dev/zero");
        ADD_FAILURE() << "loaded";
    } catch (const core::Failure& failure) {
        EXPECT_STREQ(failure.what(), "リストのインデックスが範囲を超えています (-2)");
    }
}

// A file larger than any text may be is read as far as its first NUL.
TEST(DxfFastLoad, AHugeFileWhoseTextEndsEarlyIsRead) {
    const testing_support::ScratchDir dir;
    const std::string path = dir.File("sparse.dxf");
    const std::string text = std::string(149, 'x') + "\n";
    {
        std::ofstream out(path, std::ios::binary);
        out << text << '\0';
    }
    std::filesystem::resize_file(path, std::uintmax_t{5} << 30);  // sparse: no space is taken
    EXPECT_EQ(core::ReadText(path).View(), text);
}

// Files under /sys claim a size of a page and hold less: to the reader that is
// a file that shrank while it was read.
TEST(DxfFastLoad, FileThatChangesSizeWhileReadFails) {
    const std::string path = "/sys/kernel/mm/transparent_hugepage/enabled";
    std::error_code error;
    if (std::filesystem::file_size(path, error) != 4096) GTEST_SKIP() << "no such /sys file";
    try {
        (void)core::ReadText(path);
        ADD_FAILURE() << "read";
    } catch (const core::Failure& failure) {
        EXPECT_STREQ(failure.what(), core::CannotOpen(path, core::SystemErrorText(EIO)).what());
    }
}

}  // namespace
