#include "core/dxf_import.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/failure.h"
#include "core/regional_symbols.h"
#include "dxf_builder.h"
#include "raster/resource_error.h"

namespace {

using core::DrawingDocument;
using core::DxfVariant;
using core::LoadDxf;
using core::LoadDxfLines;
using dxf_test::DxfBuilder;
using dxf_test::Row;

const std::string kSamples =
    (std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "data" / "samples").string();

struct RowsCase {
    const char* name;
    DxfBuilder file;
    int32_t width;
    int32_t height;
    std::vector<Row> rows;
};

TEST(DxfImport, BuildsTableAndSizeFromEntities) {
    const std::vector<RowsCase> cases = {
        {"empty section", DxfBuilder().End(), 1, 1, {}},
        {"polyline keywords only",
         DxfBuilder().PolylineStart().Seqend().End(),
         1,
         1,
         {{"PS", "0", "0", "0"}, {"PE", "0", "0", "0"}}},
        {"negative coordinates keep a 1 by 1 picture",
         DxfBuilder().Point("-5", "-3").Line("-1", "-1", "-4", "-2").End(),
         1,
         1,
         {{"PT", "-5", "4", "0"}, {"LS", "-1", "2", "0"}, {"LE", "-4", "3", "0"}}},
        {"line at Y 0 lands on row H",
         DxfBuilder().Line("0", "0", "10", "0").End(),
         11,
         1,
         {{"LS", "0", "1", "0"}, {"LE", "10", "1", "0"}}},
        {"halves round away from zero",
         DxfBuilder().Point("2.5", "-2.5").End(),
         4,
         1,
         {{"PT", "3", "4", "0"}}},
        {"polyline rows",
         DxfBuilder().Polyline({{"0", "0"}, {"4", "0"}, {"4", "3"}}).End(),
         5,
         4,
         {{"PS", "0", "0", "0"},
          {"VS", "0", "4", "0"},
          {"VP", "4", "4", "0"},
          {"VP", "4", "1", "0"},
          {"PE", "0", "0", "0"}}},
        {"section marker in lower case is found",
         DxfBuilder({"  0", "SECTION", "  2", "entities", "  0"}).Point("1", "2").End(),
         2,
         3,
         {{"PT", "1", "1", "0"}}},
        {"entity keyword in lower case is not one, its codes still count",
         DxfBuilder()
             .Raw({"point", "  8", "_0-0_", " 62", "    7", " 10", "4", " 20", "5", "  0"})
             .Point("1", "1")
             .End(),
         5,
         6,
         {{"PT", "1", "5", "0"}}},
        {"only exact coordinate codes count",
         DxfBuilder()
             .Raw({"10", "999", " 10 ", "999", " 12", "999", "21", "999"})
             .Point("1", "1")
             .End(),
         2,
         2,
         {{"PT", "1", "1", "0"}}},
        {"codes before the line ahead of the marker are not scanned",
         DxfBuilder({"  0", "SECTION", " 10", "500", " 20", "600", "  2", "ENTITIES", "  0"})
             .Point("1", "1")
             .End(),
         2,
         2,
         {{"PT", "1", "1", "0"}}},
        {"entity without its value lines ends the pass",
         DxfBuilder()
             .Point("1", "1")
             .Line("2", "2", "3", "3")
             .Raw({"POINT", "  8", "_0-0_", " 62", "    7", " 10", "7"}),
         8,
         4,
         {{"PT", "1", "3", "0"}, {"LS", "2", "2", "0"}, {"LE", "3", "1", "0"}}},
        {"nothing after a truncated entity is read",
         DxfBuilder().Point("1", "1").Raw({"POINT", "SEQEND"}),
         2,
         2,
         {{"PT", "1", "1", "0"}}},
    };
    for (const RowsCase& c : cases) {
        SCOPED_TRACE(c.name);
        DrawingDocument document;
        LoadDxfLines(document, c.file.List());
        EXPECT_EQ(dxf_test::Rows(document), c.rows);
        EXPECT_EQ(document.DrawWidth, c.width);
        EXPECT_EQ(document.DrawHeight, c.height);
        EXPECT_EQ(document.Image1.Width(), c.width);
        EXPECT_EQ(document.Image1.Height(), c.height);
        EXPECT_EQ(document.Image1.Picture.Width(), c.width);
        EXPECT_EQ(document.Image1.Picture.Height(), c.height);
    }
}

struct PixelCase {
    const char* name;
    DxfBuilder file;
    std::vector<std::string> painted;
};

TEST(DxfImport, DrawsEntitiesInBlackWithYTurnedOver) {
    const std::vector<PixelCase> cases = {
        {"line leaves its end pixel white",
         DxfBuilder().Line("0", "2", "3", "2").End(),
         {"0,1", "1,1", "2,1"}},
        {"point paints nothing", DxfBuilder().Point("2", "2").End(), {}},
        {"polyline is one chain",
         DxfBuilder().Polyline({{"0", "2"}, {"2", "2"}, {"2", "0"}}).End(),
         {"0,1", "1,1", "2,1", "2,2"}},
        {"line clipped at the picture's edge",
         DxfBuilder().Line("-2", "1", "3", "1").Point("1", "2").End(),
         {"0,2", "1,2", "2,2"}},
    };
    for (const PixelCase& c : cases) {
        SCOPED_TRACE(c.name);
        DrawingDocument document;
        LoadDxfLines(document, c.file.List());
        EXPECT_EQ(dxf_test::PaintedPixels(document), c.painted);
    }
}

// A vertex after a SEQEND with no new POLYLINE: the editor starts a new
// chain, the viewer goes on drawing the previous one.
TEST(DxfImport, VertexAfterSeqendStartsNewChainOnlyInEditor) {
    const DxfBuilder file = DxfBuilder()
                                .PolylineStart()
                                .Vertex("0", "4")
                                .Vertex("3", "4")
                                .Seqend()
                                .Vertex("3", "1")
                                .End();
    DrawingDocument editor(DxfVariant::Editor);
    LoadDxfLines(editor, file.List());
    EXPECT_EQ(dxf_test::PaintedPixels(editor), (std::vector<std::string>{"0,1", "1,1", "2,1"}));
    EXPECT_EQ(dxf_test::Rows(editor), (std::vector<Row>{{"PS", "0", "0", "0"},
                                                        {"VS", "0", "1", "0"},
                                                        {"VP", "3", "1", "0"},
                                                        {"PE", "0", "0", "0"},
                                                        {"VS", "3", "4", "0"}}));

    DrawingDocument viewer(DxfVariant::Viewer);
    LoadDxfLines(viewer, file.List());
    EXPECT_EQ(dxf_test::PaintedPixels(viewer),
              (std::vector<std::string>{"0,1", "1,1", "2,1", "3,1", "3,2", "3,3"}));
}

TEST(DxfImport, ViewerKeepsNoTableAndNoDrawingSize) {
    DrawingDocument viewer(DxfVariant::Viewer);
    LoadDxfLines(viewer,
                 DxfBuilder().Polyline({{"0", "0"}, {"6", "2"}}).Point("1", "1").End().List());
    EXPECT_EQ(viewer.RowCount(), 0);
    EXPECT_EQ(viewer.XList.Count() + viewer.YList.Count() + viewer.StateList.Count(), 0);
    EXPECT_EQ(viewer.DrawWidth, 0);
    EXPECT_EQ(viewer.DrawHeight, 0);
    EXPECT_EQ(viewer.Image1.Width(), 7);
    EXPECT_EQ(viewer.Image1.Height(), 3);
    EXPECT_EQ(viewer.Image1.Picture.Width(), 7);
    EXPECT_EQ(viewer.Image1.Picture.Height(), 3);
}

TEST(DxfImport, NewLoadReplacesPictureTableAndPen) {
    DrawingDocument document;
    LoadDxfLines(document, DxfBuilder().Line("0", "0", "30", "20").Point("5", "5").End().List());
    document.Image1.Canvas().Pen.Color = raster::clRed;
    document.StateList.Replace(0, "-1");

    LoadDxfLines(document, DxfBuilder().Point("2", "3").End().List());
    EXPECT_EQ(dxf_test::Rows(document), (std::vector<Row>{{"PT", "2", "1", "0"}}));
    EXPECT_EQ(document.DrawWidth, 3);
    EXPECT_EQ(document.DrawHeight, 4);
    EXPECT_EQ(document.Image1.Canvas().Pen.Color, raster::clBlack);
    EXPECT_TRUE(dxf_test::PaintedPixels(document).empty());
}

struct FailureCase {
    const char* name;
    DxfBuilder file;
    std::string message;
};

std::vector<FailureCase> FailureCases() {
    const DxfBuilder code_on_last_line = DxfBuilder().Point("1", "1").Raw({" 20"});
    return {
        {"no section marker",
         DxfBuilder({"  0", "SECTION", "  2", "BLOCKS", "  0"}).Point("1", "1").End(),
         "リストのインデックスが範囲を超えています (-2)"},
        {"section marker on the first line", DxfBuilder({"ENTITIES", "  0"}).Point("1", "1").End(),
         "リストのインデックスが範囲を超えています (-1)"},
        {"code on the last line", code_on_last_line,
         "リストのインデックスが範囲を超えています (" +
             std::to_string(code_on_last_line.Lines().size()) + ")"},
        {"text in the extents pass", DxfBuilder().Point("1", "1").Point("abc", "1").End(),
         "'abc' は浮動小数点数ではありません"},
        {"code on the line before the marker",
         DxfBuilder({"  0", "SECTION", " 10", "ENTITIES", "  0"}).Point("1", "1").End(),
         "'ENTITIES' は浮動小数点数ではありません"},
        {"group pairs in another order",
         DxfBuilder()
             .Point("1", "1")
             .Raw({"POINT", " 10", "1", " 20", "2", "  8", "_0-0_", " 62", "    7", "  0"})
             .End(),
         "'_0-0_' は浮動小数点数ではありません"},
        {"text at a fixed offset late in the drawing pass",
         DxfBuilder()
             .Point("1", "1")
             .Line("0", "0", "5", "5")
             .Raw({"POINT", " 99", "x", " 98", "y", "  8", "bad", "  0", "  0"})
             .End(),
         "'bad' は浮動小数点数ではありません"},
        {"coordinate rounding beyond the whole range",
         DxfBuilder().Point("2147483647.5", "0").End(), "'2147483648' は整数ではありません"},
        {"largest X plus one beyond the whole range", DxfBuilder().Point("2147483647", "0").End(),
         "'2147483648' は整数ではありません"},
        {"largest Y plus one beyond the whole range", DxfBuilder().Point("0", "2147483647").End(),
         "'2147483648' は整数ではありません"},
        {"turned-over Y beyond the whole range", DxfBuilder().Point("0", "-2147483647").End(),
         "'2147483648' は整数ではありません"},
        {"turned-over Y of the smallest whole number",
         DxfBuilder().Line("0", "5", "0", "-2147483648").End(),
         "'2147483654' は整数ではありません"},
        {"picture beyond the pixel limit", DxfBuilder().Point("2000000000", "0").End(),
         raster::ResourceError().what()},
        {"picture beyond the pixel limit on both sides", DxfBuilder().Point("20000", "20000").End(),
         raster::ResourceError().what()},
    };
}

std::string FailureOf(DrawingDocument& document, const core::LineList& lines) {
    try {
        LoadDxfLines(document, lines);
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
    return "no failure";
}

// A document with a drawing that was edited after loading, so that any
// leftover of a failed load would show.
void LoadEdited(DrawingDocument& document) {
    LoadDxfLines(
        document,
        DxfBuilder().Line("0", "0", "12", "8").Polyline({{"1", "1"}, {"9", "6"}}).End().List());
    document.Image1.Picture.Bitmap().SetPixel(11, 0, raster::clRed);
    if (document.RowCount() > 0) document.StateList.Replace(1, "2");
    document.Image1.SetWidth(40);
}

TEST(DxfImport, FailedLoadLeavesDocumentAsItWas) {
    for (const FailureCase& c : FailureCases()) {
        SCOPED_TRACE(c.name);
        DrawingDocument fresh;
        DrawingDocument editor(DxfVariant::Editor);
        DrawingDocument viewer(DxfVariant::Viewer);
        LoadEdited(editor);
        LoadEdited(viewer);
        for (DrawingDocument* document : {&fresh, &editor, &viewer}) {
            const dxf_test::DocumentState before = dxf_test::StateOf(*document);
            EXPECT_EQ(FailureOf(*document, c.file.List()), c.message);
            EXPECT_TRUE(dxf_test::StateOf(*document) == before);
        }
    }
}

TEST(DxfImport, MissingFileFailsWithOpenErrorAndChangesNothing) {
    dxf_test::ScratchDir dir;
    const std::string path = dir.File("missing.dxf");
    DrawingDocument document;
    LoadEdited(document);
    const dxf_test::DocumentState before = dxf_test::StateOf(document);
    try {
        LoadDxf(document, path);
        FAIL() << "no failure";
    } catch (const core::Failure& failure) {
        const std::string message = failure.what();
        EXPECT_EQ(message.rfind("ファイル \"" + path + "\". ", 0), 0u) << message;
        EXPECT_TRUE(message.ends_with(" は開けません")) << message;
    }
    EXPECT_TRUE(dxf_test::StateOf(document) == before);
}

// Makes the process's numeric locale one whose decimal separator is a comma,
// compiling a minimal one when none is installed; restores it when done.
class CommaNumericLocale {
  public:
    CommaNumericLocale() : previous_(std::setlocale(LC_NUMERIC, nullptr)) {
        const std::string source = dir_.File("comma.src");
        std::ofstream(source) << "LC_NUMERIC\ndecimal_point \",\"\nthousands_sep \".\"\n"
                                 "grouping 3;3\nEND LC_NUMERIC\n";
        // localedef reports the categories the source leaves out; the output is usable.
        const std::string command = "localedef -c -i '" + source + "' -f ANSI_X3.4-1968 '" +
                                    dir_.File("xx_XX") + "' >/dev/null 2>&1";
        [[maybe_unused]] const int status = std::system(command.c_str());
        ::setenv("LOCPATH", dir_.File("").c_str(), 1);
        active_ = std::setlocale(LC_NUMERIC, "xx_XX") != nullptr &&
                  std::localeconv()->decimal_point[0] == ',';
    }
    ~CommaNumericLocale() {
        std::setlocale(LC_NUMERIC, previous_.c_str());
        ::unsetenv("LOCPATH");
    }
    CommaNumericLocale(const CommaNumericLocale&) = delete;
    CommaNumericLocale& operator=(const CommaNumericLocale&) = delete;

    [[nodiscard]] bool Active() const { return active_; }

  private:
    dxf_test::ScratchDir dir_;
    std::string previous_;
    bool active_ = false;
};

// Drawings carry "." decimals; a user whose regional separator is a comma
// must still be able to open them.
TEST(DxfImport, DecimalPointReadUnderCommaLocale) {
    DrawingDocument document;
    std::string failure;
    {
        CommaNumericLocale comma;
        if (!comma.Active()) GTEST_SKIP() << "no locale with a decimal comma can be made";
        ASSERT_EQ(core::CurrentRegionalSymbols().decimal_separator, ',');
        try {
            LoadDxfLines(document, DxfBuilder().Point("12.5", "3.4").End().List());
        } catch (const std::exception& e) {
            failure = e.what();
        }
    }
    EXPECT_EQ(failure, "");
    EXPECT_EQ(dxf_test::Rows(document), (std::vector<Row>{{"PT", "13", "1", "0"}}));
}

TEST(DxfImport, SampleDrawingsLoadInBothVariants) {
    struct Sample {
        const char* file;
        int32_t width;
        int32_t height;
    };
    for (const Sample& sample : {Sample{"house.dxf", 101, 83}, Sample{"plan.dxf", 161, 103}}) {
        SCOPED_TRACE(sample.file);
        const std::string path = kSamples + "/" + sample.file;
        DrawingDocument editor(DxfVariant::Editor);
        LoadDxf(editor, path);
        EXPECT_EQ(editor.DrawWidth, sample.width);
        EXPECT_EQ(editor.DrawHeight, sample.height);
        EXPECT_GT(editor.RowCount(), 10);
        EXPECT_GT(dxf_test::PaintedPixels(editor).size(), 100u);

        DrawingDocument viewer(DxfVariant::Viewer);
        LoadDxf(viewer, path);
        EXPECT_EQ(dxf_test::PaintedPixels(viewer), dxf_test::PaintedPixels(editor));
    }
}

}  // namespace
