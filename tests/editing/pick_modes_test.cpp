#include "editing/pick_modes.h"

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/dxf_import.h"
#include "core/line_list.h"
#include "raster/tcolor.h"

namespace {

using editing::MouseButton;
using editing::PickModes;
using raster::TColor;

struct Row {
    std::string_view kind;
    int32_t x = 0;
    int32_t y = 0;
    std::string_view state = "0";
};

using Pixel = std::pair<int32_t, int32_t>;
using PixelMap = std::map<Pixel, TColor>;

// A point, a line and two polylines on a 16 by 16 picture.
const std::vector<Row> kSample = {
    {"PT", 10, 10},                                                       // 0
    {"LS", 2, 5},   {"LE", 6, 5},                                         // 1, 2
    {"PS"},         {"VS", 8, 2},  {"VP", 12, 2}, {"VP", 12, 6}, {"PE"},  // 3..7
    {"PS"},         {"VS", 3, 12}, {"VP", 6, 12}, {"PE"},                 // 8..11
};

// Pixels of a horizontal or vertical run, both ends included.
std::vector<Pixel> Span(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    std::vector<Pixel> pixels;
    for (int32_t x = x0; x <= x1; ++x)
        for (int32_t y = y0; y <= y1; ++y) pixels.emplace_back(x, y);
    return pixels;
}

PixelMap Coloured(const std::vector<std::vector<Pixel>>& runs, TColor colour) {
    PixelMap map;
    for (const auto& run : runs)
        for (const Pixel& p : run) map[p] = colour;
    return map;
}

class PickModesTest : public ::testing::Test {
  protected:
    // Installs the rows on a white picture; the rows are not drawn, so every
    // coloured pixel afterwards was painted by the pick modes.
    void Build(const std::vector<Row>& rows, int32_t width = 16, int32_t height = 16) {
        for (const Row& r : rows) doc.AppendRow(r.kind, r.x, r.y, r.state);
        doc.Image1.SetWidth(width);
        doc.Image1.SetHeight(height);
        (void)doc.Image1.Canvas();
    }

    std::vector<std::string> States() const {
        std::vector<std::string> states;
        states.reserve(static_cast<std::size_t>(doc.RowCount()));
        for (int32_t i = 0; i < doc.RowCount(); ++i) states.emplace_back(doc.StateList.Read(i));
        return states;
    }

    // States with the listed rows at "2" and every other row at "0".
    std::vector<std::string> SelectedOnly(const std::vector<int>& rows) const {
        std::vector<std::string> states(static_cast<std::size_t>(doc.RowCount()), "0");
        for (int r : rows) states[static_cast<std::size_t>(r)] = "2";
        return states;
    }

    // Every pixel that is not white.
    PixelMap Painted() const {
        PixelMap map;
        const raster::TBitmap* bitmap = doc.Image1.Picture.Content();
        if (bitmap == nullptr) return map;
        for (int32_t y = 0; y < bitmap->Height(); ++y)
            for (int32_t x = 0; x < bitmap->Width(); ++x)
                if (bitmap->Pixel(x, y) != raster::clWhite) map[{x, y}] = bitmap->Pixel(x, y);
        return map;
    }

    TColor PenColour() { return doc.Image1.Canvas().Pen.Color; }

    core::DrawingDocument doc;
    std::vector<std::string> shown;
    PickModes pick{doc, [this](std::string_view text) { shown.emplace_back(text); }};
};

// ---------------------------------------------------------------------------
// Status line and click counting

struct StatusCase {
    const char* name;
    const char* actions;  // D/L menu, c left click, r right click, k Delete, e Escape, x other key
    std::vector<std::string_view> expected;
    int32_t click_count;
};

void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.name; }

class StatusSequenceTest : public PickModesTest,
                           public ::testing::WithParamInterface<StatusCase> {};

TEST_P(StatusSequenceTest, ShowsTheNextExpectedAction) {
    using namespace editing::status;
    Build(kSample);
    int32_t step = 0;
    for (const char* a = GetParam().actions; *a != '\0'; ++a) {
        switch (*a) {
            case 'D':
                pick.NDelClick();
                break;
            case 'L':
                pick.NLineClick();
                break;
            case 'c':
                pick.Image1MouseDown(MouseButton::Left, step, step);
                break;
            case 'r':
                pick.Image1MouseDown(MouseButton::Right, step, step);
                break;
            case 'k':
                pick.FormKeyDown(editing::Key::Delete);
                break;
            case 'e':
                pick.FormKeyDown(editing::Key::Escape);
                break;
            case 'x':
                pick.FormKeyDown(editing::Key::Other);
                break;
        }
        ++step;
    }
    std::vector<std::string> expected(GetParam().expected.begin(), GetParam().expected.end());
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(pick.ClickCount, GetParam().click_count);
}

using namespace editing::status;
INSTANTIATE_TEST_SUITE_P(
    PickModes, StatusSequenceTest,
    ::testing::Values(StatusCase{"DeleteMenu", "D", {D1}, 0}, StatusCase{"LineMenu", "L", {L1}, 0},
                      StatusCase{"DeleteGesture", "Dcc", {D1, D2, D3}, 0},
                      StatusCase{"LineGesture", "Lcc", {L1, L2, L1}, 0},
                      StatusCase{"ThirdClickStartsAgain", "Dccc", {D1, D2, D3, D2}, 1},
                      StatusCase{"NoModeCountsSilently", "ccc", {}, 1},
                      StatusCase{"ClickBeforeModeStillCounts", "cDc", {D1, D3}, 0},
                      StatusCase{"MenuKeepsCounter", "LcDc", {L1, L2, D1, D3}, 0},
                      StatusCase{"RightClickIgnored", "Dcrc", {D1, D2, D3}, 0},
                      StatusCase{"DeleteKeyWithoutMode", "k", {D1}, 0},
                      StatusCase{"EscapeKeyWithoutMode", "e", {D1}, 0},
                      StatusCase{"KeysInLineMode", "Lke", {L1, D1, D1}, 0},
                      StatusCase{"OtherKeyIgnored", "Dx", {D1}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PickModesTest, StatusTextsAreExact) {
    EXPECT_EQ(D1, "[削除モード]1点目をクリックしてください。");
    EXPECT_EQ(D2, "[削除モード]2点目をクリックしてください。");
    EXPECT_EQ(D3, "[削除モード]削除する時は[DEL]キーを取り消す場合は[ESC]キーを押してください。");
    EXPECT_EQ(L1, "[直線モード]1点目をクリックしてください。");
    EXPECT_EQ(L2, "[直線モード]2点目をクリックしてください。");
}

class OtherButtonTest : public PickModesTest, public ::testing::WithParamInterface<MouseButton> {};

TEST_P(OtherButtonTest, IsIgnoredEntirely) {
    pick.NLineClick();
    shown.clear();
    pick.Image1MouseDown(GetParam(), 7, 8);
    EXPECT_EQ(pick.ClickCount, 0);
    EXPECT_EQ(pick.PrevX, 0);
    EXPECT_EQ(pick.PrevY, 0);
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(doc.Image1.Picture.HasContent());

    pick.Image1MouseDown(MouseButton::Left, 3, 4);
    pick.Image1MouseDown(GetParam(), 7, 8);
    EXPECT_EQ(pick.ClickCount, 1);
    EXPECT_EQ(pick.PrevX, 3);
    EXPECT_EQ(pick.PrevY, 4);
    EXPECT_EQ(doc.RowCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(PickModes, OtherButtonTest,
                         ::testing::Values(MouseButton::Right, MouseButton::Middle,
                                           MouseButton::Other));

TEST_F(PickModesTest, LeftClickBeforeAnyFileMakesWhitePictureOfControlSize) {
    pick.Image1MouseDown(MouseButton::Left, 5, 6);
    ASSERT_TRUE(doc.Image1.Picture.HasContent());
    EXPECT_EQ(doc.Image1.Picture.Width(), 237);
    EXPECT_EQ(doc.Image1.Picture.Height(), 313);
    EXPECT_TRUE(Painted().empty());
    EXPECT_EQ(pick.ClickCount, 1);
    EXPECT_EQ(pick.PrevX, 5);
    EXPECT_EQ(pick.PrevY, 6);
    EXPECT_EQ(PenColour(), raster::clBlue);
}

// ---------------------------------------------------------------------------
// Line mode

TEST_F(PickModesTest, LineModeAddsBlueLineWithoutItsEndPixel) {
    Build({{"PT", 9, 9}});
    pick.NLineClick();
    pick.Image1MouseDown(MouseButton::Left, 1, 1);
    pick.Image1MouseDown(MouseButton::Left, 4, 1);

    ASSERT_EQ(doc.RowCount(), 3);
    EXPECT_EQ(doc.KindList.Read(1), "LS");
    EXPECT_EQ(doc.XList.Read(1), "1");
    EXPECT_EQ(doc.YList.Read(1), "1");
    EXPECT_EQ(doc.StateList.Read(1), "0");
    EXPECT_EQ(doc.KindList.Read(2), "LE");
    EXPECT_EQ(doc.XList.Read(2), "4");
    EXPECT_EQ(doc.YList.Read(2), "1");
    EXPECT_EQ(doc.StateList.Read(2), "0");
    EXPECT_EQ(Painted(), Coloured({Span(1, 1, 3, 1)}, raster::clBlue));
    EXPECT_EQ(pick.ClickCount, 0);
    EXPECT_EQ(pick.PrevX, 4);
    EXPECT_EQ(pick.PrevY, 1);
}

TEST_F(PickModesTest, LineModeSamePointTwiceAddsEqualRowsAndPaintsNothing) {
    Build({});
    pick.NLineClick();
    pick.Image1MouseDown(MouseButton::Left, 3, 3);
    pick.Image1MouseDown(MouseButton::Left, 3, 3);

    ASSERT_EQ(doc.RowCount(), 2);
    EXPECT_EQ(doc.KindList.Read(0), "LS");
    EXPECT_EQ(doc.KindList.Read(1), "LE");
    for (int32_t i = 0; i < 2; ++i) {
        EXPECT_EQ(doc.XList.Read(i), "3");
        EXPECT_EQ(doc.YList.Read(i), "3");
    }
    EXPECT_TRUE(Painted().empty());
}

TEST_F(PickModesTest, NoModeSecondClickChangesNothing) {
    Build(kSample);
    pick.Image1MouseDown(MouseButton::Left, 0, 0);
    pick.Image1MouseDown(MouseButton::Left, 15, 15);
    EXPECT_EQ(doc.RowCount(), static_cast<int32_t>(kSample.size()));
    EXPECT_EQ(States(), SelectedOnly({}));
    EXPECT_TRUE(Painted().empty());
    EXPECT_EQ(pick.ClickCount, 0);
}

// ---------------------------------------------------------------------------
// Rectangle selection

struct SelectCase {
    const char* name;
    int32_t x1, y1, x2, y2;
    std::vector<int> selected;
    std::vector<std::vector<Pixel>> red;
};

void PrintTo(const SelectCase& c, std::ostream* os) { *os << c.name; }

class SelectRectTest : public PickModesTest, public ::testing::WithParamInterface<SelectCase> {};

TEST_P(SelectRectTest, SelectsWholeElementsAndPaintsThemRed) {
    const SelectCase& c = GetParam();
    Build(kSample);
    pick.SelectRect(c.x1, c.y1, c.x2, c.y2);
    EXPECT_EQ(States(), SelectedOnly(c.selected));
    EXPECT_EQ(Painted(), Coloured(c.red, raster::clRed));
}

// Polyline 1 painted: (8,2)-(12,2), (12,2)-(12,6) without its last vertex,
// and its header/end at (0,0). Polyline 2: (3,12)-(6,12) without (6,12).
INSTANTIATE_TEST_SUITE_P(
    PickModes, SelectRectTest,
    ::testing::Values(
        SelectCase{"AroundOriginOnlyHeadersAndEnds", 0, 0, 1, 1, {3, 7, 8, 11}, {{{0, 0}}}},
        SelectCase{"OneVertexWholePolyline",
                   12,
                   6,
                   12,
                   6,
                   {3, 4, 5, 6, 7},
                   {Span(8, 2, 11, 2), Span(12, 2, 12, 5), {{0, 0}}}},
        SelectCase{"FirstVertexOfSecondPolyline",
                   3,
                   12,
                   3,
                   12,
                   {8, 9, 10, 11},
                   {Span(3, 12, 5, 12), {{0, 0}}}},
        SelectCase{"LineEndOnly", 6, 5, 7, 7, {1, 2}, {Span(2, 5, 6, 5)}},
        SelectCase{"LineStartOnly", 2, 5, 2, 5, {1, 2}, {Span(2, 5, 6, 5)}},
        SelectCase{"PointCornersReversed", 11, 11, 9, 9, {0}, {{{10, 10}}}},
        SelectCase{"BoundsInclusive", 10, 10, 10, 10, {0}, {{{10, 10}}}},
        SelectCase{"JustBesideThePoint", 11, 11, 13, 13, {}, {}},
        SelectCase{"SegmentCrossedNoEndInside", 3, 4, 5, 6, {}, {}},
        SelectCase{"Everything",
                   0,
                   0,
                   15,
                   15,
                   {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
                   {{{10, 10}, {0, 0}},
                    Span(2, 5, 6, 5),
                    Span(8, 2, 11, 2),
                    Span(12, 2, 12, 5),
                    Span(3, 12, 5, 12)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PickModesTest, DeleteModeSecondClickSelectsAndLeavesBluePen) {
    Build(kSample);
    pick.NDelClick();
    pick.Image1MouseDown(MouseButton::Left, 7, 7);
    pick.Image1MouseDown(MouseButton::Left, 6, 5);
    EXPECT_EQ(States(), SelectedOnly({1, 2}));
    EXPECT_EQ(Painted(), Coloured({Span(2, 5, 6, 5)}, raster::clRed));
    EXPECT_EQ(PenColour(), raster::clBlue);
}

TEST_F(PickModesTest, ModeSwitchBetweenClicksCompletesTheNewMode) {
    Build(kSample);
    pick.NLineClick();
    pick.Image1MouseDown(MouseButton::Left, 9, 9);
    pick.NDelClick();
    pick.Image1MouseDown(MouseButton::Left, 11, 11);
    EXPECT_EQ(doc.RowCount(), static_cast<int32_t>(kSample.size()));
    EXPECT_EQ(States(), SelectedOnly({0}));
}

TEST_F(PickModesTest, EarlierSelectionStaysSelectedAndIsRepainted) {
    Build(kSample);
    pick.SelectRect(10, 10, 10, 10);
    pick.SelectRect(2, 5, 2, 5);
    EXPECT_EQ(States(), SelectedOnly({0, 1, 2}));
    EXPECT_EQ(Painted(), Coloured({{{10, 10}}, Span(2, 5, 6, 5)}, raster::clRed));
}

TEST_F(PickModesTest, VerticesWithoutHeaderSelectDownToFirstRow) {
    // Rows 1 and 5 are vertices with no polyline header before them; both
    // walks reach row 0, the second one through the first one's rows.
    Build({{"PT", 9, 9},
           {"VS", 3, 3},
           {"PE"},
           {"LS", 12, 12},
           {"LE", 13, 13},
           {"VS", 5, 5},
           {"PE"},
           {"PT", 14, 14}});
    pick.SelectRect(3, 3, 5, 5);
    EXPECT_EQ(States(), (std::vector<std::string>{"2", "2", "2", "2", "2", "2", "2", "0"}));
}

TEST_F(PickModesTest, PolylineWalkStopsAtItsOwnHeaderAndEnd) {
    Build({{"PS"},
           {"VS", 1, 1},
           {"PE"},
           {"PS"},
           {"VS", 5, 5},
           {"VP", 6, 5},
           {"PE"},
           {"PS"},
           {"VS", 9, 9},
           {"PE"}});
    pick.SelectRect(6, 5, 6, 5);
    EXPECT_EQ(States(), SelectedOnly({3, 4, 5, 6}));
}

// ---------------------------------------------------------------------------
// Delete and Escape

struct KeyCase {
    const char* name;
    editing::Key key;
    std::string_view state;  // of the selected rows afterwards
    TColor colour;           // of their pixels afterwards
    bool status_shown;
};

void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

class SelectionKeyTest : public PickModesTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(SelectionKeyTest, ActsOnSelectedRowsOnly) {
    const KeyCase& c = GetParam();
    Build(kSample);
    pick.SelectRect(12, 6, 12, 6);  // polyline 1
    shown.clear();
    pick.FormKeyDown(c.key);

    std::vector<std::string> expected = SelectedOnly({});
    for (int r : {3, 4, 5, 6, 7}) expected[static_cast<std::size_t>(r)] = c.state;
    EXPECT_EQ(States(), expected);
    EXPECT_EQ(Painted(), Coloured({Span(8, 2, 11, 2), Span(12, 2, 12, 5), {{0, 0}}}, c.colour));
    EXPECT_EQ(shown, c.status_shown ? std::vector<std::string>{std::string(D1)}
                                    : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    PickModes, SelectionKeyTest,
    ::testing::Values(KeyCase{"Delete", editing::Key::Delete, "-1", raster::clSilver, true},
                      KeyCase{"Escape", editing::Key::Escape, "0", raster::clBlack, true},
                      KeyCase{"Other", editing::Key::Other, "2", raster::clRed, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PickModesTest, DeleteWithNothingSelectedChangesOnlyStatus) {
    Build(kSample);
    pick.FormKeyDown(editing::Key::Delete);
    EXPECT_EQ(States(), SelectedOnly({}));
    EXPECT_TRUE(Painted().empty());
    EXPECT_EQ(shown, std::vector<std::string>{std::string(D1)});
}

TEST_F(PickModesTest, KeysBeforeAnyFileLeavePictureEmpty) {
    pick.FormKeyDown(editing::Key::Delete);
    pick.FormKeyDown(editing::Key::Escape);
    EXPECT_FALSE(doc.Image1.Picture.HasContent());
    EXPECT_EQ(shown.size(), 2u);
}

TEST_F(PickModesTest, EscapeRestoresReselectedDeletedRowsToBlack) {
    Build(kSample);
    pick.SelectRect(6, 5, 6, 5);
    pick.FormKeyDown(editing::Key::Delete);
    ASSERT_EQ(doc.StateList.Read(1), "-1");
    ASSERT_EQ(doc.StateList.Read(2), "-1");

    pick.SelectRect(2, 5, 6, 5);
    EXPECT_EQ(States(), SelectedOnly({1, 2}));
    EXPECT_EQ(Painted(), Coloured({Span(2, 5, 6, 5)}, raster::clRed));

    pick.FormKeyDown(editing::Key::Escape);
    EXPECT_EQ(States(), SelectedOnly({}));
    EXPECT_EQ(Painted(), Coloured({Span(2, 5, 6, 5)}, raster::clBlack));
}

TEST_F(PickModesTest, RectangleMarksDeletedAndSelectedRowsAgain) {
    Build({{"PT", 1, 1, "-1"}, {"PT", 2, 2, "2"}, {"PT", 3, 3, "1"}, {"PT", 9, 9, "-1"}});
    pick.SelectRect(1, 1, 3, 3);
    EXPECT_EQ(States(), (std::vector<std::string>{"2", "2", "2", "-1"}));
}

TEST_F(PickModesTest, FailedSecondClickStillEndsTheGesture) {
    // Too large a picture to create: every click fails when it asks for the canvas.
    doc.Image1.SetWidth(1 << 15);
    doc.Image1.SetHeight(1 << 15);
    pick.NLineClick();
    EXPECT_ANY_THROW(pick.Image1MouseDown(MouseButton::Left, 0, 0));
    EXPECT_ANY_THROW(pick.Image1MouseDown(MouseButton::Left, 5, 5));
    EXPECT_EQ(pick.ClickCount, 0);
}

// ---------------------------------------------------------------------------
// A line start or vertex in the last row has no next row to draw towards.

struct LastRowCase {
    const char* name;
    std::vector<Row> rows;
    std::vector<int> selected;
    PixelMap red;
};

void PrintTo(const LastRowCase& c, std::ostream* os) { *os << c.name; }

class LastRowTest : public PickModesTest, public ::testing::WithParamInterface<LastRowCase> {};

TEST_P(LastRowTest, SegmentFromLastRowIsNotDrawn) {
    const LastRowCase& c = GetParam();
    Build(c.rows);
    ASSERT_NO_THROW(pick.SelectRect(3, 3, 3, 3));
    EXPECT_EQ(States(), SelectedOnly(c.selected));
    EXPECT_EQ(Painted(), c.red);

    ASSERT_NO_THROW(pick.FormKeyDown(editing::Key::Delete));
    for (int r : c.selected) EXPECT_EQ(doc.StateList.Read(r), "-1");
    PixelMap silver = c.red;
    for (auto& [pixel, colour] : silver) colour = raster::clSilver;
    EXPECT_EQ(Painted(), silver);
}

INSTANTIATE_TEST_SUITE_P(
    PickModes, LastRowTest,
    ::testing::Values(
        LastRowCase{"LineStart", {{"PT", 9, 9}, {"LS", 3, 3}}, {1}, {}},
        LastRowCase{"FirstVertex", {{"PS"}, {"VS", 3, 3}}, {0, 1}, {{{0, 0}, raster::clRed}}},
        LastRowCase{"NextVertex",
                    {{"PS"}, {"VS", 1, 3}, {"VP", 3, 3}},
                    {0, 1, 2},
                    {{{0, 0}, raster::clRed}, {{1, 3}, raster::clRed}, {{2, 3}, raster::clRed}}},
        LastRowCase{"LineEndInFirstRow", {{"LE", 3, 3}}, {0}, {{{3, 3}, raster::clRed}}}),
    [](const auto& info) { return std::string(info.param.name); });

// A row appended after the selection gives the last selected row a segment:
// Delete must paint it, not the batch the selection painted.
TEST_F(PickModesTest, DeleteAfterAddedLinePaintsTheNewSegment) {
    Build({{"PT", 9, 9}, {"LS", 3, 3}});
    pick.SelectRect(3, 3, 3, 3);
    EXPECT_EQ(Painted(), PixelMap{});
    pick.AddLine(3, 8, 3, 12);
    pick.FormKeyDown(editing::Key::Delete);
    PixelMap expected = Coloured({Span(3, 8, 3, 11)}, raster::clBlue);
    for (const Pixel& p : Span(3, 3, 3, 7)) expected[p] = raster::clSilver;
    EXPECT_EQ(Painted(), expected);
}

// ---------------------------------------------------------------------------
// On a drawing loaded from DXF text

std::string DxfLine(int x1, int y1, int x2, int y2) {
    std::string text = "LINE\n  8\n_0-0_\n  6\nCONTINUOUS\n 62\n    7\n";
    text += " 10\n" + std::to_string(x1) + "\n 20\n" + std::to_string(y1) + "\n";
    text += " 11\n" + std::to_string(x2) + "\n 21\n" + std::to_string(y2) + "\n  0\n";
    return text;
}

TEST_F(PickModesTest, DeletesOneOfTwoLoadedLines) {
    core::LineList lines;
    lines.LoadFromBytes("  0\nSECTION\n  2\nENTITIES\n  0\n" + DxfLine(1, 1, 5, 1) +
                        DxfLine(1, 3, 5, 3) + "ENDSEC\n  0\nEOF\n");
    core::LoadDxfLines(doc, lines);
    // Height 4: file Y 1 lands on row 3, file Y 3 on row 1.
    ASSERT_EQ(doc.RowCount(), 4);
    ASSERT_EQ(Painted(), Coloured({Span(1, 3, 4, 3), Span(1, 1, 4, 1)}, raster::clBlack));

    pick.NDelClick();
    pick.Image1MouseDown(MouseButton::Left, 5, 3);
    pick.Image1MouseDown(MouseButton::Left, 5, 3);
    EXPECT_EQ(States(), (std::vector<std::string>{"2", "2", "0", "0"}));
    PixelMap expected = Coloured({Span(1, 1, 4, 1)}, raster::clBlack);
    for (const Pixel& p : Span(1, 3, 5, 3)) expected[p] = raster::clRed;
    EXPECT_EQ(Painted(), expected);

    pick.FormKeyDown(editing::Key::Delete);
    EXPECT_EQ(States(), (std::vector<std::string>{"-1", "-1", "0", "0"}));
    for (const Pixel& p : Span(1, 3, 5, 3)) expected[p] = raster::clSilver;
    EXPECT_EQ(Painted(), expected);
    EXPECT_EQ(shown.back(), D1);
}

}  // namespace
