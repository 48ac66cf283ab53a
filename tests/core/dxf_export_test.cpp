#include "core/dxf_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/dxf_import.h"
#include "core/failure.h"
#include "dxf_builder.h"

namespace {

using core::DrawingDocument;
using core::DxfEntityLines;
using core::SaveDxf;
using dxf_test::DxfBuilder;
using dxf_test::Row;
using Lines = std::vector<std::string>;

const std::filesystem::path kData =
    std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "data";

void AppendRows(DrawingDocument& document, const std::vector<Row>& rows) {
    for (const Row& row : rows) document.AppendRow(row[0], row[1], row[2], row[3]);
}

Lines WithTail(Lines lines) {
    lines.insert(lines.end(), {"ENDSEC", "  0", "EOF"});
    return lines;
}

const Lines kPointAt5And70 = {"POINT", "  8", "_0-0_", " 62", "    7",
                              " 10",   "5",   " 20",   "70",  "  0"};

struct LayoutCase {
    const char* name;
    std::vector<Row> rows;
    Lines expected;  // before the closing lines
};

TEST(DxfExport, WritesLiveRowsInFixedLayout) {
    const std::vector<LayoutCase> cases = {
        {"empty table", {}, {}},
        {"point", {{"PT", "5", "30", "0"}}, kPointAt5And70},
        {"line takes its end from the next row",
         {{"LS", "1", "2", "0"}, {"LE", "-3", "104", "0"}},
         {"LINE", "  8", "_0-0_", "  6", "CONTINUOUS", " 62", "    7", " 10", "1", " 20", "98",
          " 11", "-3", " 21", "-4", "  0"}},
        {"polyline",
         {{"PS", "0", "0", "0"},
          {"VS", "1", "90", "0"},
          {"VP", "7", "80", "0"},
          {"PE", "0", "0", "0"}},
         {"POLYLINE", "  8", "_0-0_",  " 66", "     1", " 40", "0.000000", " 41",
          "0.000000", "  0", "VERTEX", "  8", "_0-0_",  " 10", "1",        " 20",
          "10",       "  0", "VERTEX", "  8", "_0-0_",  " 10", "7",        " 20",
          "20",       "  0", "SEQEND", "  8", "A",      "  0"}},
        {"selected and in-rectangle rows are written like normal ones",
         {{"PT", "5", "30", "1"}, {"PT", "5", "30", "2"}},
         [] {
             Lines twice = kPointAt5And70;
             twice.insert(twice.end(), kPointAt5And70.begin(), kPointAt5And70.end());
             return twice;
         }()},
        {"every row deleted",
         {{"PT", "5", "30", "-1"},
          {"LS", "1", "2", "-1"},
          {"LE", "3", "4", "-1"},
          {"PS", "0", "0", "-1"},
          {"VS", "1", "1", "-1"},
          {"PE", "0", "0", "-1"}},
         {}},
        {"line whose end row is deleted is still written whole",
         {{"LS", "1", "2", "0"}, {"LE", "3", "4", "-1"}},
         {"LINE", "  8", "_0-0_", "  6", "CONTINUOUS", " 62", "    7", " 10", "1", " 20", "98",
          " 11", "3", " 21", "96", "  0"}},
        {"deleted line start with a live end writes nothing",
         {{"LS", "1", "2", "-1"}, {"LE", "3", "4", "0"}},
         {}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        DrawingDocument document;
        document.DrawHeight = 100;
        AppendRows(document, c.rows);
        EXPECT_EQ(dxf_test::ListLines(DxfEntityLines(document)), WithTail(c.expected));
    }
}

Lines EntityKeywords(const core::LineList& lines) {
    Lines keywords;
    for (const std::string& line : dxf_test::ListLines(lines)) {
        if (line == "POINT" || line == "LINE" || line == "POLYLINE" || line == "VERTEX" ||
            line == "SEQEND") {
            keywords.push_back(line);
        }
    }
    return keywords;
}

struct PolylineCase {
    const char* name;
    std::vector<std::string> states;  // of PS, VS, VP, PE
    Lines keywords;
};

// A polyline's POLYLINE and SEQEND are written while any of its vertices is;
// otherwise the rows decide.
TEST(DxfExport, PolylineWithLiveVertexKeepsItsHeaderAndEnd) {
    const std::vector<PolylineCase> cases = {
        {"all live", {"0", "0", "0", "0"}, {"POLYLINE", "VERTEX", "VERTEX", "SEQEND"}},
        {"header and end deleted",
         {"-1", "0", "0", "-1"},
         {"POLYLINE", "VERTEX", "VERTEX", "SEQEND"}},
        {"header deleted", {"-1", "0", "2", "0"}, {"POLYLINE", "VERTEX", "VERTEX", "SEQEND"}},
        {"end deleted", {"0", "0", "0", "-1"}, {"POLYLINE", "VERTEX", "VERTEX", "SEQEND"}},
        {"first vertex deleted too", {"-1", "-1", "0", "-1"}, {"POLYLINE", "VERTEX", "SEQEND"}},
        {"everything deleted", {"-1", "-1", "-1", "-1"}, {}},
        {"vertices deleted, header and end live", {"0", "-1", "-1", "0"}, {"POLYLINE", "SEQEND"}},
        {"vertices and header deleted", {"-1", "-1", "-1", "0"}, {"SEQEND"}},
    };
    for (const PolylineCase& c : cases) {
        SCOPED_TRACE(c.name);
        DrawingDocument document;
        document.DrawHeight = 10;
        AppendRows(document, {{"PS", "0", "0", c.states[0]},
                              {"VS", "1", "2", c.states[1]},
                              {"VP", "3", "4", c.states[2]},
                              {"PE", "0", "0", c.states[3]}});
        EXPECT_EQ(EntityKeywords(DxfEntityLines(document)), c.keywords);
    }
}

TEST(DxfExport, PolylineMembershipEndsAtItsSeqendOrNextHeader) {
    DrawingDocument document;
    document.DrawHeight = 10;
    AppendRows(document, {{"PS", "0", "0", "-1"},  // no live vertex: stays out
                          {"VS", "1", "2", "-1"},
                          {"PE", "0", "0", "-1"},
                          {"VS", "5", "5", "0"},   // after the SEQEND: not its vertex
                          {"PS", "0", "0", "-1"},  // open to the next header
                          {"VS", "1", "1", "0"},
                          {"PS", "0", "0", "-1"},
                          {"VS", "2", "2", "-1"},
                          {"PE", "0", "0", "-1"}});
    EXPECT_EQ(EntityKeywords(DxfEntityLines(document)), (Lines{"VERTEX", "POLYLINE", "VERTEX"}));
}

TEST(DxfExport, TurnedOverYBeyondWholeRangeFailsAndWritesNothing) {
    struct Case {
        int32_t draw_height;
        const char* y;
        const char* message;
    };
    for (const Case& c : {Case{2147483647, "-1", "'2147483648' は整数ではありません"},
                          Case{0, "-2147483648", "'2147483648' は整数ではありません"},
                          Case{-5, "2147483647", "'-2147483652' は整数ではありません"}}) {
        SCOPED_TRACE(c.message);
        dxf_test::ScratchDir dir;
        const std::string header = dir.File("Header.dat");
        DxfBuilder(dxf_test::MinimalHeader()).WriteTo(header);
        const std::string out = dir.File("out.dxf");
        DrawingDocument document;
        document.DrawHeight = c.draw_height;
        AppendRows(document, {{"PT", "1", "1", "0"}, {"VS", "1", c.y, "0"}});
        try {
            SaveDxf(document, out, header);
            ADD_FAILURE() << "no failure";
        } catch (const core::Failure& failure) {
            EXPECT_STREQ(failure.what(), c.message);
        }
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

TEST(DxfExport, LineStartAsLastRowFailsWithListIndex) {
    DrawingDocument document;
    AppendRows(document, {{"PT", "1", "1", "0"}, {"LS", "1", "1", "0"}});
    try {
        (void)DxfEntityLines(document);
        FAIL() << "no failure";
    } catch (const core::Failure& failure) {
        EXPECT_STREQ(failure.what(), "リストのインデックスが範囲を超えています (2)");
    }
}

TEST(DxfExport, SaveWritesTemplateThenEntitiesWithCrLf) {
    dxf_test::ScratchDir dir;
    const std::string header = dir.File("Header.dat");
    // The template's own line ends do not matter; every line is written with CR LF.
    std::ofstream(header, std::ios::binary) << "  0\nSECTION\r  2\r\nENTITIES\n  0\n";
    DrawingDocument document;
    document.DrawHeight = 100;
    AppendRows(document, {{"PT", "5", "30", "0"}});
    const std::string out = dir.File("out.dxf");
    std::ofstream(out, std::ios::binary) << "an older file";
    SaveDxf(document, out, header);
    EXPECT_EQ(dxf_test::ReadFile(out),
              "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\n"
              "POINT\r\n  8\r\n_0-0_\r\n 62\r\n    7\r\n 10\r\n5\r\n 20\r\n70\r\n  0\r\n"
              "ENDSEC\r\n  0\r\nEOF\r\n");
}

TEST(DxfExport, MissingTemplateFailsNamingItAndWritesNothing) {
    dxf_test::ScratchDir dir;
    const std::string header = dir.File("Header.dat");
    const std::string out = dir.File("out.dxf");
    std::ofstream(out, std::ios::binary) << "an older file";
    DrawingDocument document;
    AppendRows(document, {{"PT", "5", "30", "0"}});
    try {
        SaveDxf(document, out, header);
        FAIL() << "no failure";
    } catch (const core::Failure& failure) {
        const std::string message = failure.what();
        EXPECT_EQ(message.rfind("ファイル \"" + header + "\". ", 0), 0u) << message;
        EXPECT_TRUE(message.ends_with(" は開けません")) << message;
    }
    EXPECT_EQ(dxf_test::ReadFile(out), "an older file");
}

// Saves with the minimal template and loads the result into a new document.
std::vector<Row> SavedAndLoaded(const DrawingDocument& document, DrawingDocument& reloaded) {
    dxf_test::ScratchDir dir;
    const std::string header = dir.File("Header.dat");
    DxfBuilder(dxf_test::MinimalHeader()).WriteTo(header);
    const std::string out = dir.File("out.dxf");
    SaveDxf(document, out, header);
    core::LoadDxf(reloaded, out);
    return dxf_test::Rows(reloaded);
}

const DxfBuilder kMixedDrawing = DxfBuilder()
                                     .Point("3.5", "7")
                                     .Line("0", "0", "40.25", "30")
                                     .Polyline({{"5", "5"}, {"20", "5"}, {"20", "-2.5"}})
                                     .Point("-2", "-1")
                                     .Line("10", "12", "11", "13")
                                     .Polyline({{"30", "10"}, {"35", "20"}})
                                     .End();

TEST(DxfExport, SavedDrawingLoadsBackToSameRows) {
    DrawingDocument original;
    core::LoadDxfLines(original, kMixedDrawing.List());
    DrawingDocument reloaded;
    EXPECT_EQ(SavedAndLoaded(original, reloaded), dxf_test::Rows(original));
    EXPECT_EQ(reloaded.DrawWidth, original.DrawWidth);
    EXPECT_EQ(reloaded.DrawHeight, original.DrawHeight);
}

TEST(DxfExport, DeletedRowsAreLeftOutAndSelectedOnesComeBackNormal) {
    DrawingDocument original;
    core::LoadDxfLines(original, kMixedDrawing.List());
    std::vector<Row> expected = dxf_test::Rows(original);
    // The short line in the middle (rows 9 and 10) is deleted, the first point selected.
    ASSERT_EQ(expected[9][0], "LS");
    original.StateList.Replace(9, "-1");
    original.StateList.Replace(10, "-1");
    original.StateList.Replace(0, "2");
    expected.erase(expected.begin() + 9, expected.begin() + 11);

    DrawingDocument reloaded;
    EXPECT_EQ(SavedAndLoaded(original, reloaded), expected);
}

// Deleting with a rectangle around the origin takes every "PS" and "PE" row
// (they sit at 0, 0) but leaves the vertices: the shapes must survive a save.
TEST(DxfExport, PolylinesWithDeletedMarkersLoadBackAsTheSameShapes) {
    DrawingDocument original;
    core::LoadDxfLines(original, kMixedDrawing.List());
    const std::vector<Row> rows = dxf_test::Rows(original);
    for (int32_t i = 0; i < original.RowCount(); ++i) {
        if (rows[i][0] == "PS" || rows[i][0] == "PE") original.StateList.Replace(i, "-1");
    }
    DrawingDocument reloaded;
    EXPECT_EQ(SavedAndLoaded(original, reloaded), rows);
    EXPECT_EQ(dxf_test::PaintedPixels(reloaded), dxf_test::PaintedPixels(original));
}

// The shipped template must let every saved file load back: it ends with the
// group code before the first entity and has no coordinate code from the line
// before ENTITIES on.
TEST(DxfExport, ShippedTemplateFitsTheEntityLayout) {
    const std::string shipped = (kData / "Header.dat").string();
    const std::string bytes = dxf_test::ReadFile(shipped);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.find("\r\n\r\n"), std::string::npos);
    EXPECT_TRUE(bytes.ends_with("\r\n  0\r\n"));
    for (std::size_t at = bytes.find('\n'); at != std::string::npos;
         at = bytes.find('\n', at + 1)) {
        ASSERT_TRUE(at > 0 && bytes[at - 1] == '\r') << "line end at byte " << at;
    }
    core::LineList header;
    header.LoadFromFile(shipped);
    const int32_t entities = header.IndexOf("ENTITIES");
    ASSERT_GT(entities, 0);
    EXPECT_EQ(header.Read(entities), "ENTITIES");
    for (int32_t k = entities - 1; k < header.Count(); ++k) {
        const std::string_view line = header.Read(k);
        EXPECT_TRUE(line != " 10" && line != " 11" && line != " 20" && line != " 21") << k;
    }
    EXPECT_EQ(dxf_test::ReadFile(core::HeaderTemplatePath()), bytes)
        << "the build copies the template beside the programs";
}

TEST(DxfExport, SamplesSavedWithShippedTemplateLoadBack) {
    for (const char* sample : {"house.dxf", "plan.dxf"}) {
        SCOPED_TRACE(sample);
        DrawingDocument original;
        core::LoadDxf(original, (kData / "samples" / sample).string());
        dxf_test::ScratchDir dir;
        const std::string out = dir.File("out.dxf");
        SaveDxf(original, out);
        DrawingDocument reloaded;
        core::LoadDxf(reloaded, out);
        EXPECT_EQ(dxf_test::Rows(reloaded), dxf_test::Rows(original));
        EXPECT_EQ(dxf_test::PaintedPixels(reloaded), dxf_test::PaintedPixels(original));
        // Samples start from the same header as saved files.
        const std::string header = dxf_test::ReadFile((kData / "Header.dat").string());
        EXPECT_TRUE(dxf_test::ReadFile((kData / "samples" / sample).string()).starts_with(header));
    }
}

}  // namespace
