#include "core/fixed_layout_check.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "dxf_builder.h"
#include "support/scratch_dir.h"

namespace {

using core::CheckFixedLayout;
using core::LayoutCheck;
using dxf_test::DxfBuilder;

std::string Fixed() {
    return DxfBuilder().Point("0", "5").Line("0", "0", "10", "0").Polyline({{"1", "2"}}).Text() +
           "ENDSEC\r\n  0\r\nEOF\r\n";
}

std::string Entities(const std::string& lines) { return "0\nSECTION\n2\nENTITIES\n" + lines; }

TEST(FixedLayoutCheck, TellsTheFixedLayoutFromOtherPrograms) {
    const struct {
        const char* name;
        std::string text;
        LayoutCheck expected;
    } cases[] = {
        {"the layout the editor saves", Fixed(), LayoutCheck::Fixed},
        {"a LINE without handle or layer order",
         Entities("0\nLINE\n8\n0\n10\n1\n20\n2\n30\n0\n11\n"
                  "3\n21\n4\n31\n0\n0\nENDSEC\n"),
         LayoutCheck::Other},
        {"a POINT with a handle", DxfBuilder().Raw({"POINT", "  5", "1F"}).Text(),
         LayoutCheck::Other},
        {"a kind the layout has not", Entities("0\nCIRCLE\n8\n0\n10\n1\n20\n1\n40\n2\n"),
         LayoutCheck::Other},
        {"codes without blanks",
         DxfBuilder().Raw({"VERTEX", "  8", "0", "10", "1", "20", "2"}).Text(), LayoutCheck::Other},
        {"binary DXF", std::string("AutoCAD Binary DXF\r\n\x1a\0", 22), LayoutCheck::Other},
        {"no ENTITIES", "  0\r\nEOF\r\n", LayoutCheck::Fixed},
        {"an entity the reader stops before", DxfBuilder().Raw({"LINE", "  8", "0", " 10"}).Text(),
         LayoutCheck::Fixed},
        {"lower-case marker", "  2\r\nentities\r\n  0\r\nLINE\r\n  5\r\n1F\r\n",
         LayoutCheck::Other},
        {"after a NUL", Fixed() + std::string(1, '\0') + "  0\r\nCIRCLE\r\n", LayoutCheck::Fixed},
    };
    for (const auto& c : cases) EXPECT_EQ(CheckFixedLayout(c.text), c.expected) << c.name;
}

TEST(FixedLayoutCheck, JudgesAFilesStartOnlyOnceItCanAndStopsAfterTheFirstEntities) {
    const std::string other = Entities("0\nLINE\n5\n1F\n");
    EXPECT_EQ(CheckFixedLayout(other.substr(0, other.size() - 4), false), LayoutCheck::Undecided);
    EXPECT_EQ(CheckFixedLayout(other, false), LayoutCheck::Other);
    EXPECT_EQ(CheckFixedLayout("  0\r\nSECTION\r\n", false), LayoutCheck::Undecided);
    EXPECT_EQ(CheckFixedLayout(Fixed(), false), LayoutCheck::Fixed);  // up to ENDSEC and EOF

    DxfBuilder many;
    for (int i = 0; i < 600; ++i) many.Point("1", "1");
    EXPECT_EQ(CheckFixedLayout(many.Raw({"CIRCLE"}).Text()), LayoutCheck::Fixed);
}

TEST(FixedLayoutCheck, ReadsRegularFilesOnlyAndFarEnoughForALongHeader) {
    testing_support::ScratchDir dir;
    const std::string header(200000, '\n');
    testing_support::WriteFile(dir.File("late.dxf"), header + Entities("0\nARC\n"));
    testing_support::WriteFile(dir.File("fixed.dxf"), header + Fixed());
    ASSERT_EQ(mkfifo(dir.File("pipe.dxf").c_str(), 0600), 0);
    EXPECT_TRUE(core::IsOtherLayoutFile(dir.File("late.dxf")));
    EXPECT_FALSE(core::IsOtherLayoutFile(dir.File("fixed.dxf")));
    EXPECT_FALSE(core::IsOtherLayoutFile(dir.File("pipe.dxf")));  // would block if opened to read
    EXPECT_FALSE(core::IsOtherLayoutFile(dir.File("missing.dxf")));
}

}  // namespace
