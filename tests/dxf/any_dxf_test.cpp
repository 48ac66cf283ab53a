#include "dxf/any_dxf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/dxf_export.h"
#include "core/dxf_import.h"
#include "drawings.h"
#include "ezdxf_script.h"
#include "support/message_of.h"
#include "support/scratch_dir.h"

namespace {

using core::DrawingDocument;
using core::DxfVariant;
using testing_support::RunPython;
using testing_support::ScratchDir;

std::vector<uint32_t> Pixels(const DrawingDocument& document) {
    const raster::TBitmap* bitmap = document.Image1.Picture.Content();
    std::vector<uint32_t> pixels;
    if (bitmap == nullptr) return pixels;
    for (int32_t y = 0; y < bitmap->Height(); ++y) {
        for (int32_t x = 0; x < bitmap->Width(); ++x) pixels.push_back(bitmap->Pixel(x, y));
    }
    return pixels;
}

// A small text drawing of LINE entities, code lines without blanks.
std::string Lines(const std::vector<std::vector<double>>& lines) {
    std::ostringstream text;
    text << "0\nSECTION\n2\nENTITIES\n";
    for (const auto& l : lines) {
        text << "0\nLINE\n8\n0\n10\n"
             << l[0] << "\n20\n"
             << l[1] << "\n11\n"
             << l[2] << "\n21\n"
             << l[3] << "\n";
    }
    text << "0\nENDSEC\n0\nEOF\n";
    return text.str();
}

TEST(AnyDxf, SavedImportReadsBackTheFixedWayUnchanged) {
    SKIP_WITHOUT_EZDXF();
    ScratchDir dir;
    std::string error;
    RunPython(dir,
              testing_support::kEveryKindScript +
                  "doc = ezdxf.new('R2000')\nevery_kind(doc)\nsave(doc, 'all')\n",
              &error);
    ASSERT_EQ(error, "");
    for (const dxf::ScaleRequest scale :
         {dxf::ScaleRequest{}, dxf::ScaleRequest{dxf::ScaleRequest::Mode::Fixed, 0.37, 0, 0}}) {
        DrawingDocument imported;
        dxf::LoadAnyDxf(imported, dir.File("all.dxf"), scale);
        ASSERT_GT(imported.RowCount(), 100);
        core::SaveDxf(imported, dir.File("saved.dxf"), HEADER_TEMPLATE_PATH);
        DrawingDocument reopened;
        core::LoadDxf(reopened, dir.File("saved.dxf"));
        EXPECT_EQ(reopened.Rows, imported.Rows);
        EXPECT_EQ(reopened.DrawWidth, imported.DrawWidth);
        EXPECT_EQ(reopened.DrawHeight, imported.DrawHeight);
        EXPECT_EQ(Pixels(reopened), Pixels(imported));
        // The viewer draws the same picture without keeping rows.
        DrawingDocument viewed(DxfVariant::Viewer);
        dxf::LoadAnyDxf(viewed, dir.File("all.dxf"), scale);
        EXPECT_EQ(Pixels(viewed), Pixels(imported));
        EXPECT_EQ(viewed.RowCount(), 0);
    }
}

TEST(AnyDxf, EveryVersionTextOrBinaryGivesTheSameRows) {
    SKIP_WITHOUT_EZDXF();
    ScratchDir dir;
    std::string error;
    RunPython(dir, testing_support::kEveryKindScript + R"PY(
for version in ['R12', 'R2000', 'R2004', 'R2007', 'R2010', 'R2013', 'R2018']:
    doc = ezdxf.new(version)
    every_kind(doc)
    save(doc, version)
)PY",
              &error);
    ASSERT_EQ(error, "");
    auto rows_of = [&](const std::string& name) {
        DrawingDocument document;
        dxf::LoadAnyDxf(document, dir.File(name));
        return document.Rows;
    };
    const std::vector<core::Row> r12 = rows_of("R12.dxf");
    const std::vector<core::Row> r2000 = rows_of("R2000.dxf");
    EXPECT_GT(r2000.size(), r12.size());
    EXPECT_EQ(rows_of("R12.bin.dxf"), r12);
    for (const char* version : {"R2000", "R2004", "R2007", "R2010", "R2013", "R2018"}) {
        SCOPED_TRACE(version);
        EXPECT_EQ(rows_of(std::string(version) + ".dxf"), r2000);
        EXPECT_EQ(rows_of(std::string(version) + ".bin.dxf"), r2000);
    }
}

struct Segment {
    double x0, y0, x1, y1;
};

double Distance(double px, double py, const Segment& s) {
    const double dx = s.x1 - s.x0;
    const double dy = s.y1 - s.y0;
    const double length = dx * dx + dy * dy;
    double t = length > 0.0 ? ((px - s.x0) * dx + (py - s.y0) * dy) / length : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - s.x0 - t * dx, py - s.y0 - t * dy);
}

double Nearest(double x, double y, const std::vector<Segment>& segments) {
    double best = 1e300;
    for (const Segment& s : segments) best = std::min(best, Distance(x, y, s));
    return best;
}

std::vector<Segment> RowSegments(const std::vector<core::Row>& rows) {
    std::vector<Segment> segments;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const core::Row& row = rows[i];
        if (row.kind == core::RowKind::Point)
            segments.push_back({1.0 * row.x, 1.0 * row.y, 1.0 * row.x, 1.0 * row.y});
        if (row.kind == core::RowKind::LineEnd || row.kind == core::RowKind::VertexNext) {
            segments.push_back(
                {1.0 * rows[i - 1].x, 1.0 * rows[i - 1].y, 1.0 * row.x, 1.0 * row.y});
        }
    }
    return segments;
}

// Large files are read in two pieces at once: the rows must come out whole
// and in file order, wherever the split falls among lines and polylines.
TEST(AnyDxf, LargeFilesGiveTheRowsInFileOrder) {
    std::mt19937 random(5);
    std::ostringstream text;
    text << "0\nSECTION\n2\nENTITIES\n";
    std::vector<core::Row> expected;
    auto row = [](core::RowKind kind, int32_t x, int32_t y) {
        return core::Row{x, 1001 - y, kind, core::RowState::Normal};
    };
    auto at = [&] { return static_cast<int32_t>(random() % 1001); };
    text << "0\nPOINT\n10\n0\n20\n0\n0\nPOINT\n10\n1000\n20\n1000\n";
    expected.push_back(row(core::RowKind::Point, 0, 0));
    expected.push_back(row(core::RowKind::Point, 1000, 1000));
    for (int i = 0; i < 60000; ++i) {
        const int32_t x0 = at(), y0 = at(), x1 = at(), y1 = at(), x2 = at(), y2 = at();
        text << "  0\nLINE\n  5\n"
             << i << "\n  8\n0\n 10\n"
             << x0 << "\n 20\n"
             << y0 << "\n 11\n"
             << x1 << "\n 21\n"
             << y1 << "\n";
        if (x0 != x1 || y0 != y1) {
            expected.push_back(row(core::RowKind::LineStart, x0, y0));
            expected.push_back(row(core::RowKind::LineEnd, x1, y1));
        }
        text << "  0\nPOLYLINE\n 66\n1\n  0\nVERTEX\n 10\n"
             << x1 << "\n 20\n"
             << y1 << "\n  0\nVERTEX\n 10\n"
             << x2 << "\n 20\n"
             << y2 << "\n  0\nSEQEND\n";
        if (x1 != x2 || y1 != y2) {
            expected.push_back({0, 0, core::RowKind::PolylineStart, core::RowState::Normal});
            expected.push_back(row(core::RowKind::VertexFirst, x1, y1));
            expected.push_back(row(core::RowKind::VertexNext, x2, y2));
            expected.push_back({0, 0, core::RowKind::PolylineEnd, core::RowState::Normal});
        }
    }
    text << "  0\nENDSEC\n  0\nEOF\n";
    const std::string bytes = text.str();
    ASSERT_GT(bytes.size(), std::size_t{8} << 20);
    DrawingDocument document;
    dxf::LoadAnyDxfBytes(document, bytes);
    EXPECT_EQ(document.Rows, expected);
    DrawingDocument viewed(DxfVariant::Viewer);
    dxf::LoadAnyDxfBytes(viewed, bytes);
    EXPECT_EQ(Pixels(viewed), Pixels(document));
    // A failure in the second piece is the load's failure, naming its line.
    const std::string head = bytes.substr(0, bytes.rfind("  0\nENDSEC"));
    const auto line = std::count(head.begin(), head.end(), '\n') + 3;
    EXPECT_EQ(testing_support::MessageOf(
                  [&] { dxf::LoadAnyDxfBytes(document, head + "  0\nLINE\n 10\nx\n"); }),
              std::to_string(line) + " 行目: グループコード 10 の値 'x' が数値ではありません");
    EXPECT_EQ(document.Rows, expected);
}

// ezdxf flattens every entity (blocks and dimensions taken apart) far finer
// than a pixel; its pieces, put on the same pixel grid, must lie within a
// pixel of the rows and the rows within a pixel of them.
TEST(AnyDxf, GeometryMatchesEzdxfWithinAPixel) {
    SKIP_WITHOUT_EZDXF();
    ScratchDir dir;
    std::string error;
    const std::string printed = RunPython(dir, testing_support::kEveryKindScript + R"PY(
from ezdxf import disassemble
from ezdxf.math import BoundingBox
doc = ezdxf.new('R2018')
every_kind(doc, text=False)
doc.saveas('all.dxf')
pieces = []
for p in disassemble.to_primitives(disassemble.recursive_decompose(doc.modelspace()), 0.0005):
    if p.entity.dxftype() in ('MTEXT', 'TEXT'):
        continue
    if p.mesh is not None:
        for face in p.mesh.faces_as_vertices():
            pieces.append([(q.x, q.y) for q in face + face[:1]])
        continue
    v = [(q.x, q.y) for q in p.vertices()]
    if v:
        pieces.append(v)
box = BoundingBox([q for v in pieces for q in v])
print(box.extmin.x, box.extmax.y, box.extmax.x, box.extmin.y, len(pieces))
for v in pieces:
    print(len(v), ' '.join('%r %r' % q for q in v))
)PY",
                                          &error);
    ASSERT_EQ(error, "");
    std::istringstream in(printed);
    constexpr double scale = 3.0;
    double min_x = 0, max_y = 0, max_x = 0, min_y = 0;
    std::size_t count = 0;
    in >> min_x >> max_y >> max_x >> min_y >> count;
    std::vector<Segment> reference;
    for (std::size_t k = 0; k < count; ++k) {
        std::size_t n = 0;
        in >> n;
        double px = 0, py = 0;
        for (std::size_t i = 0; i < n; ++i) {
            double x = 0, y = 0;
            in >> x >> y;
            x = (x - min_x) * scale;
            y = (max_y - y) * scale + 1.0;
            if (i > 0 || n == 1) reference.push_back({n == 1 ? x : px, n == 1 ? y : py, x, y});
            px = x;
            py = y;
        }
    }
    ASSERT_GT(reference.size(), 1000u);
    DrawingDocument document;
    dxf::LoadAnyDxf(document, dir.File("all.dxf"), {dxf::ScaleRequest::Mode::Fixed, scale, 0, 0});
    EXPECT_NEAR(document.DrawWidth, (max_x - min_x) * scale + 1, 1.0);
    EXPECT_NEAR(document.DrawHeight, (max_y - min_y) * scale + 2, 1.0);
    const std::vector<Segment> rows = RowSegments(document.Rows);
    double worst_reference = 0.0;
    for (const Segment& s : reference) {
        worst_reference = std::max(worst_reference, Nearest(s.x1, s.y1, rows));
    }
    double worst_row = 0.0;
    for (const Segment& s : rows) worst_row = std::max(worst_row, Nearest(s.x1, s.y1, reference));
    // A vertex rounded to its pixel moves up to 0.71 pixels; the chord error
    // adds 0.4 at most.
    EXPECT_LT(worst_reference, 1.12);
    EXPECT_LT(worst_row, 1.12);
}

TEST(AnyDxf, ScaleIsChosenAsAskedOrByTheDrawingSize) {
    using Mode = dxf::ScaleRequest::Mode;
    struct Case {
        double extent;
        dxf::ScaleRequest request;
        double scale;
        int32_t width, height;  // extent by half of it
    } cases[] = {
        {100, {}, 20, 2001, 1002},
        {500, {}, 1, 501, 252},
        {8000, {}, 1, 8001, 4002},
        {10000, {}, 0.2, 2001, 1002},
        {10000, {Mode::Fixed, 0.05, 0, 0}, 0.05, 501, 252},
        {400, {Mode::Fit, 1, 201, 400}, 0.5, 201, 102},
        {400, {Mode::Fit, 1, 800, 52}, 0.25, 101, 52},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extent);
        DrawingDocument document;
        const dxf::ImportReport report = dxf::LoadAnyDxfBytes(
            document, Lines({{-c.extent / 2, 7, c.extent / 2, 7 + c.extent / 2}}), c.request);
        EXPECT_DOUBLE_EQ(report.scale, c.scale);
        EXPECT_EQ(document.DrawWidth, c.width);
        EXPECT_EQ(document.DrawHeight, c.height);
        EXPECT_EQ(document.Image1.Width(), c.width);
        EXPECT_EQ(document.Image1.Picture.Content()->Height(), c.height);
        // Lower left to upper right, on the picture's first and last drawn rows.
        const std::vector<core::Row> expected = {
            {0, c.height - 1, core::RowKind::LineStart, core::RowState::Normal},
            {c.width - 1, 1, core::RowKind::LineEnd, core::RowState::Normal}};
        EXPECT_EQ(document.Rows, expected);
    }
}

TEST(AnyDxf, TagsAreReadInEveryEncoding) {
    // One LINE from (1, 2) to (3, 12) in four encodings: blanks, CR LF and a
    // comment; no blanks behind a byte order mark; binary with 1- and 2-byte codes.
    const std::string text_blanks =
        "999\r\nwritten by hand\r\n  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nLINE\r\n  5\r\n"
        "1F\r\n100\r\nAcDbLine\r\n  8\r\n0\r\n 10\r\n1.0\r\n 20\r\n2\r\n 30\r\n0\r\n 11\r\n"
        "  3.0  \r\n 21\r\n1.2e1\r\n  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
    const std::string text_plain =
        "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n1\n20\n2\n11\n3\n21\n12\n";
    auto binary = [](bool one_byte) {
        std::string bytes("AutoCAD Binary DXF\r\n\x1a\0", 22);
        auto code = [&](int c) {
            if (one_byte) {
                bytes += static_cast<char>(c);
            } else {
                bytes += static_cast<char>(c & 255);
                bytes += static_cast<char>(c >> 8);
            }
        };
        auto text = [&](int c, const char* s) {
            code(c);
            bytes.append(s).push_back('\0');
        };
        auto real = [&](int c, double v) {
            code(c);
            bytes.append(reinterpret_cast<const char*>(&v), 8);
        };
        text(0, "SECTION");
        text(2, "ENTITIES");
        text(0, "LINE");
        text(8, "0");
        code(62);
        bytes.append("\x07\x00", 2);
        real(10, 1);
        real(20, 2);
        real(11, 3);
        real(21, 12);
        text(0, "ENDSEC");
        return bytes;
    };
    const std::vector<core::Row> expected = {
        {0, 2001, core::RowKind::LineStart, core::RowState::Normal},
        {400, 1, core::RowKind::LineEnd, core::RowState::Normal}};
    for (const std::string& bytes :
         {text_blanks, "\xEF\xBB\xBF" + text_plain, binary(true), binary(false)}) {
        DrawingDocument document;
        dxf::LoadAnyDxfBytes(document, bytes);
        EXPECT_EQ(document.Rows, expected);
    }
}

TEST(AnyDxf, BadInputFailsNamingWhereAndChangesNothing) {
    const std::string start = "0\nSECTION\n2\nENTITIES\n0\nLINE\n";
    const std::string binary_start("AutoCAD Binary DXF\r\n\x1a\0\0\0SECTION\0", 32);
    struct Case {
        std::string bytes;
        std::string message;
    } cases[] = {
        {"", "1 行目: DXF ファイルではありません"},
        {"hello\nworld\n", "1 行目: DXF ファイルではありません"},
        {"0\nLINE\n", "1 行目: DXF ファイルではありません"},
        {start + "1O\n1\n", "7 行目: グループコード '1O' が数値ではありません"},
        {start + "10\n", "7 行目: グループコード 10 の値がありません"},
        {start + "10\nCONTINUOUS-AND-A-VERY-LONG-NAME\n",
         "7 行目: グループコード 10 の値 'CONTINUOUS-AND-A-VERY-LO...' が数値ではありません"},
        {binary_start + std::string("\x0a\0\1\2", 4),
         "32 バイト目: グループコード 10 の値がありません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        DrawingDocument document;
        dxf::LoadAnyDxfBytes(document, Lines({{0, 0, 600, 300}}));
        const std::vector<core::Row> rows = document.Rows;
        const std::vector<uint32_t> pixels = Pixels(document);
        EXPECT_EQ(testing_support::MessageOf([&] { dxf::LoadAnyDxfBytes(document, c.bytes); }),
                  c.message);
        EXPECT_EQ(document.Rows, rows);
        EXPECT_EQ(Pixels(document), pixels);
        EXPECT_EQ(document.DrawWidth, 601);
    }
    // Without ENDSEC and EOF the drawing still loads, also when the bytes end
    // on an entity's name.
    for (const std::string end : {"", "0\nHATCH\n", "0\nHATCH\n\n\n"}) {
        DrawingDocument document;
        std::string bytes = start;
        bytes.append("10\n0\n20\n0\n11\n600\n21\n300\n").append(end);
        const dxf::ImportReport report = dxf::LoadAnyDxfBytes(document, bytes);
        EXPECT_EQ(document.RowCount(), 2);
        EXPECT_EQ(dxf::NotDrawnLine(report), end.empty() ? "" : "not drawn: HATCH 1");
    }
}

TEST(AnyDxf, WorkAndMemoryStayBounded) {
    const std::string block_section =
        "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nA\n10\n0\n20\n0\n0\nLINE\n10\n0\n20\n0\n11\n1\n21\n1\n"
        "0\nINSERT\n2\nB\n0\nENDBLK\n0\nBLOCK\n2\nB\n0\nINSERT\n2\nA\n10\n1\n0\nENDBLK\n0\nENDSEC"
        "\n";
    struct Case {
        std::string insert;
        dxf::ScaleRequest scale;
        std::string message;
    } cases[] = {
        // A cycle A -> B -> A draws A's line once and stops where A comes again.
        {"0\nINSERT\n2\nA\n", {}, ""},
        {"0\nINSERT\n2\nA\n70\n100000\n71\n100000\n44\n1\n45\n1\n",
         {},
         "47 行目: ブロックの挿入が多すぎます (図形 20000000 個を超えます)"},
        {"0\nINSERT\n2\nA\n41\n100000\n42\n100000\n",
         {dxf::ScaleRequest::Mode::Fixed, 1.0, 0, 0},
         "画像 100001 x 100002 ピクセルはメモリに入りません。--scale か --fit で縮小してください"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        DrawingDocument document;
        const std::string bytes =
            block_section + "0\nSECTION\n2\nENTITIES\n" + c.insert + "0\nENDSEC\n0\nEOF\n";
        EXPECT_EQ(
            testing_support::MessageOf([&] { dxf::LoadAnyDxfBytes(document, bytes, c.scale); }),
            c.message);
        EXPECT_EQ(document.RowCount(), c.message.empty() ? 2 : 0);
    }
}

TEST(AnyDxf, DrawsModelSpaceOnShownLayersAndCountsTheRest) {
    SKIP_WITHOUT_EZDXF();
    ScratchDir dir;
    std::string error;
    RunPython(dir, R"PY(
doc = ezdxf.new('R2018')
doc.layers.add('OFF').off()
doc.layers.add('FROZEN').freeze()
msp = doc.modelspace()
msp.add_line((0, 0), (600, 300))
msp.add_line((0, 0), (600, 0), dxfattribs={'layer': 'OFF'})
msp.add_line((0, 0), (0, 300), dxfattribs={'layer': 'FROZEN'})
msp.add_text('one', dxfattribs={'layer': 'OFF'})
msp.add_text('two')
msp.add_text('three')
msp.add_mtext('four')
hatch = msp.add_hatch()
hatch.paths.add_polyline_path([(0, 0), (10, 0), (10, 10)])
msp.add_xline((0, 0), (1, 1))
doc.layout('Layout1').add_line((0, 0), (900, 900))
b = doc.blocks.new('B')
b.add_line((0, 0), (0, 100))
b.add_text('in a block')
b.add_attdef('TAG', (0, 0))
msp.add_blockref('B', (600, 0), dxfattribs={'layer': 'FROZEN'})
msp.add_blockref('B', (0, 0)).add_auto_attribs({'TAG': 'value'})
doc.saveas('layers.dxf')
)PY",
              &error);
    ASSERT_EQ(error, "");
    DrawingDocument document;
    const dxf::ImportReport report = dxf::LoadAnyDxf(document, dir.File("layers.dxf"));
    EXPECT_EQ(dxf::NotDrawnLine(report), "not drawn: ATTRIB 1, HATCH 1, MTEXT 1, TEXT 3, XLINE 1");
    EXPECT_EQ(document.RowCount(), 4);
    EXPECT_EQ(document.DrawWidth, 601);
    EXPECT_EQ(dxf::NotDrawnLine({}), "");
}

}  // namespace
