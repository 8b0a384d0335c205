#include "core/settings/graph_options.h"
#include "core/settings/settings_file.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using core::ParseSettings;
using core::Settings;
namespace row = core::settings_row;

// A file as the program writes it, with every value changed from its initial value.
Settings Changed() {
    Settings s;
    s.main = {{2.4f, 7}, 12, -34};
    s.table = {{true, "|", false}, true, 210, 220, 400, 549}; // view options first
    Settings::Graph& g = s.graph;
    g.visible = true;
    g.top = 5;
    g.left = 6;
    g.height = 300;
    g.width = 1100;
    g.NumPoint = 800;
    g.LeftMargin = 60;
    g.BottomMargin = 30;
    g.wQx = 10;
    g.wQy = 12;
    g.bVeiwTP = 11;
    g.Unit = 1;
    g.NScaleDB = 9;
    g.NScalePER = 0;
    g.NScaleV = 1;
    g.cBack = 0x00FF0000;
    g.cMargin = 0x00123456;
    g.cGrid = 0x00ABCDEF;
    g.cFont = 0x00FFFFFF;
    g.cGrap = 0x000000FF;
    return s;
}

void ExpectEqual(const Settings& a, const Settings& b) {
    EXPECT_EQ(a.main.top, b.main.top);
    EXPECT_EQ(a.main.left, b.main.left);
    EXPECT_EQ(a.main.wTimeStep, b.main.wTimeStep);
    EXPECT_FLOAT_EQ(a.main.fDist, b.main.fDist);
    EXPECT_EQ(a.table.visible, b.table.visible);
    EXPECT_EQ(a.table.top, b.table.top);
    EXPECT_EQ(a.table.left, b.table.left);
    EXPECT_EQ(a.table.height, b.table.height);
    EXPECT_EQ(a.table.width, b.table.width);
    EXPECT_EQ(a.table.ViewLastLine, b.table.ViewLastLine);
    EXPECT_EQ(a.table.Delim, b.table.Delim);
    EXPECT_EQ(a.table.IsUnit, b.table.IsUnit);
    const Settings::Graph& x = a.graph;
    const Settings::Graph& y = b.graph;
    EXPECT_EQ(x.visible, y.visible);
    EXPECT_EQ(x.top, y.top);
    EXPECT_EQ(x.left, y.left);
    EXPECT_EQ(x.height, y.height);
    EXPECT_EQ(x.width, y.width);
    EXPECT_EQ(x.NumPoint, y.NumPoint);
    EXPECT_EQ(x.LeftMargin, y.LeftMargin);
    EXPECT_EQ(x.BottomMargin, y.BottomMargin);
    EXPECT_EQ(x.wQx, y.wQx);
    EXPECT_EQ(x.wQy, y.wQy);
    EXPECT_EQ(x.bVeiwTP, y.bVeiwTP);
    EXPECT_EQ(x.Unit, y.Unit);
    EXPECT_EQ(x.NScaleDB, y.NScaleDB);
    EXPECT_EQ(x.NScalePER, y.NScalePER);
    EXPECT_EQ(x.NScaleV, y.NScaleV);
    EXPECT_EQ(x.cBack, y.cBack);
    EXPECT_EQ(x.cMargin, y.cMargin);
    EXPECT_EQ(x.cGrid, y.cGrid);
    EXPECT_EQ(x.cFont, y.cFont);
    EXPECT_EQ(x.cGrap, y.cGrap);
}

// The full written file with `replace` substituted for the line that starts with `prefix`,
// or the line dropped when `replace` is empty.
std::string WithLine(const std::string& prefix, const std::string& replace) {
    std::string text = core::FormatSettings(Changed(), "COM3");
    const std::size_t at = text.find(prefix);
    EXPECT_NE(at, std::string::npos) << prefix;
    const std::size_t end = text.find("\r\n", at) + 2;
    text.replace(at, end - at, replace.empty() ? "" : replace + "\r\n");
    return text;
}

TEST(SettingsFile, WritesTheThirtyThreeLinesInOrderWithCrLf) {
    Settings s;
    const std::string text = core::FormatSettings(s, "\xD0\x92\xD1\x8B\xD0\xBA\xD0\xBB"); // Выкл
    const std::string expected = "COM=\xC2\xFB\xEA\xEB\r\n"
                                 "Form1 Top=656\r\nForm1 Left=194\r\nForm1 wTimeStep=1\r\n"
                                 "Form1 fDist=1,0\r\n"
                                 "FormTabl Visible=false\r\nFormTabl Top=100\r\n"
                                 "FormTabl Left=100\r\nFormTabl Height=358\r\n"
                                 "FormTabl Width=549\r\nFormTabl ViewLastLine=false\r\n"
                                 "FormTabl Delim=;\r\nFormTabl IsUnit=false\r\n"
                                 "FormGraph Visible=false\r\nFormGraph Top=150\r\n"
                                 "FormGraph Left=150\r\nFormGraph Height=469\r\n"
                                 "FormGraph Width=1072\r\nFormGraph NumPoint=200\r\n"
                                 "FormGraph LeftMargin=75\r\nFormGraph BottomMargin=25\r\n"
                                 "FormGraph wQx=8\r\nFormGraph wQy=10\r\n"
                                 "FormGraph bVeiwTP=0\r\nFormGraph Unit=0\r\n"
                                 "FormGraph NScaleDB=2\r\nFormGraph NScalePER=3\r\n"
                                 "FormGraph NScaleV=2\r\nFormGraph cBack=0x00000000\r\n"
                                 "FormGraph cMargin=0x00808080\r\nFormGraph cGrid=0x00008000\r\n"
                                 "FormGraph cFont=0x00000000\r\nFormGraph cGrap=0x0000FFFF\r\n";
    EXPECT_EQ(text, expected);
}

TEST(SettingsFile, RoundTripReproducesRowsTwoToThirtyThree) {
    const Settings written = Changed();
    const auto load = ParseSettings(core::FormatSettings(written, "COM12"), Settings{});
    EXPECT_EQ(load.failedRow, 0) << load.error;
    EXPECT_TRUE(load.error.empty());
    ExpectEqual(load.values, written);
}

TEST(SettingsFile, DistanceKeepsOneDecimal) {
    Settings s;
    s.main.fDist = 2.37f;
    const std::string text = core::FormatSettings(s, "COM1");
    EXPECT_NE(text.find("Form1 fDist=2,4\r\n"), std::string::npos);
    EXPECT_FLOAT_EQ(ParseSettings(text, Settings{}).values.main.fDist, 2.4f);
}

TEST(SettingsFile, NonAsciiDelimiterSurvivesTheRoundTrip) {
    Settings s = Changed();
    s.table.Delim = "\xC2\xA7"; // section sign, byte 0xA7 in the file
    const std::string text = core::FormatSettings(s, "COM1");
    EXPECT_NE(text.find("FormTabl Delim=\xA7\r\n"), std::string::npos);
    EXPECT_EQ(ParseSettings(text, Settings{}).values.table.Delim, "\xC2\xA7");
}

TEST(SettingsFile, LookupIgnoresCaseAndTakesTheFirstMatch) {
    const auto load = ParseSettings(WithLine("Form1 Top=", "form1 TOP=7\r\nForm1 Top=9"), {});
    EXPECT_EQ(load.values.main.top, 7);
    // The key is the whole text before the first "=": a space before it is part of the key.
    EXPECT_EQ(ParseSettings(WithLine("Form1 Top=", "Form1 Top =7"), {}).values.main.top, 50);
    // A value may itself contain "=".
    EXPECT_EQ(ParseSettings(WithLine("FormTabl Delim=", "FormTabl Delim=="), {}).values.table.Delim,
              "=");
}

TEST(SettingsFile, LineBreaksMayBeLoneLfOrCr) {
    EXPECT_EQ(ParseSettings("Form1 Top=5\nForm1 Left=6\rForm1 wTimeStep=9", {}).values.main.left,
              6);
    EXPECT_EQ(
        ParseSettings("Form1 Top=5\nForm1 Left=6\rForm1 wTimeStep=9", {}).values.main.wTimeStep, 9);
}

TEST(SettingsFile, MainAndTableKeysFallBackToTheirDefaults) {
    Settings current = Changed();
    const auto load = ParseSettings("", current);
    EXPECT_EQ(load.values.main.top, 50);
    EXPECT_EQ(load.values.main.left, 50);
    EXPECT_EQ(load.values.main.wTimeStep, 1);
    EXPECT_FLOAT_EQ(load.values.main.fDist, 1.0f);
    EXPECT_FALSE(load.values.table.visible);
    EXPECT_EQ(load.values.table.top, 100);
    EXPECT_EQ(load.values.table.left, 100);
    EXPECT_EQ(load.values.table.height, 358);
    EXPECT_EQ(load.values.table.width, 549);
    EXPECT_FALSE(load.values.table.ViewLastLine);
    EXPECT_EQ(load.values.table.Delim, ";");
    EXPECT_TRUE(load.values.table.IsUnit);
    EXPECT_FALSE(load.values.graph.visible);
    // The graph keys have no defaults: the first one missing ends the reading.
    EXPECT_EQ(load.failedRow, row::kGraphTop);
    EXPECT_EQ(load.error, "'' is not a valid integer value");
    EXPECT_EQ(load.values.graph.top, current.graph.top);
    EXPECT_EQ(load.values.graph.cGrap, current.graph.cGrap);
}

TEST(SettingsFile, MalformedIntegersWithDefaultsGiveTheDefault) {
    EXPECT_EQ(ParseSettings(WithLine("Form1 Top=", "Form1 Top=abc"), {}).values.main.top, 50);
    EXPECT_EQ(
        ParseSettings(WithLine("FormTabl Width=", "FormTabl Width=5x"), {}).values.table.width,
        549);
    const auto load = ParseSettings(WithLine("Form1 wTimeStep=", "Form1 wTimeStep=1,5"), {});
    EXPECT_EQ(load.values.main.wTimeStep, 1);
    EXPECT_EQ(load.failedRow, 0);
}

TEST(SettingsFile, BooleansAreTheExactWords) {
    EXPECT_FALSE(ParseSettings(WithLine("FormTabl Visible=", "FormTabl Visible=True"), {})
                     .values.table.visible);
    EXPECT_FALSE(ParseSettings(WithLine("FormTabl ViewLastLine=", "FormTabl ViewLastLine=TRUE"), {})
                     .values.table.ViewLastLine);
    // IsUnit is off only for the exact word "false"; absent or FALSE give on.
    EXPECT_TRUE(ParseSettings(WithLine("FormTabl IsUnit=", "FormTabl IsUnit=FALSE"), {})
                    .values.table.IsUnit);
    EXPECT_TRUE(ParseSettings(WithLine("FormTabl IsUnit=", ""), {}).values.table.IsUnit);
    EXPECT_FALSE(ParseSettings(WithLine("FormTabl IsUnit=", "FormTabl IsUnit=false"), {})
                     .values.table.IsUnit);
}

TEST(SettingsFile, EmptyDelimiterAndDistanceGiveTheirDefaults) {
    EXPECT_EQ(ParseSettings(WithLine("FormTabl Delim=", "FormTabl Delim="), {}).values.table.Delim,
              ";");
    const auto load = ParseSettings(WithLine("Form1 fDist=", "Form1 fDist="), {});
    EXPECT_FLOAT_EQ(load.values.main.fDist, 1.0f);
    EXPECT_EQ(load.failedRow, 0);
}

TEST(SettingsFile, DistanceWithAPointEndsTheReadingAtItsRow) {
    Settings current;
    current.table.top = 999;
    const auto load = ParseSettings(WithLine("Form1 fDist=", "Form1 fDist=1.5"), current);
    EXPECT_EQ(load.failedRow, row::kDist);
    EXPECT_EQ(load.error, "'1.5' is not a valid floating point value");
    EXPECT_EQ(load.values.main.wTimeStep, 7); // rows before it are applied
    EXPECT_FLOAT_EQ(load.values.main.fDist, 1.0f);
    EXPECT_EQ(load.values.table.top, 999); // rows after it are not
    EXPECT_FALSE(load.values.table.visible);
    EXPECT_TRUE(load.Applied(row::kTimeStep));
    EXPECT_FALSE(load.Applied(row::kDist));
    EXPECT_FALSE(load.Applied(row::kTableVisible));
}

TEST(SettingsFile, MissingNumPointKeepsGeometryButNotViewOrColours) {
    const Settings current;
    const auto load = ParseSettings(WithLine("FormGraph NumPoint=", ""), current);
    EXPECT_EQ(load.failedRow, row::kNumPoint);
    EXPECT_EQ(load.error, "'' is not a valid integer value");
    EXPECT_EQ(load.values.graph.top, 5);
    EXPECT_EQ(load.values.graph.width, 1100);
    EXPECT_TRUE(load.values.graph.visible);
    EXPECT_EQ(load.values.graph.NumPoint, current.graph.NumPoint);
    EXPECT_EQ(load.values.graph.bVeiwTP, current.graph.bVeiwTP);
    EXPECT_EQ(load.values.graph.cGrap, current.graph.cGrap);
    EXPECT_TRUE(load.Applied(row::kGraphWidth));
    EXPECT_FALSE(load.Applied(row::kNumPoint));
}

TEST(SettingsFile, ColoursAreHexadecimal) {
    auto load = ParseSettings(WithLine("FormGraph cBack=", "FormGraph cBack=0x00FF0000"), {});
    EXPECT_EQ(load.values.graph.cBack, 0x00FF0000u); // FF in the third byte: pure blue
    load = ParseSettings(WithLine("FormGraph cBack=", "FormGraph cBack=0xff"), {});
    EXPECT_EQ(load.values.graph.cBack, 0xFFu);
    load = ParseSettings(WithLine("FormGraph cGrid=", "FormGraph cGrid=FF0000"), {});
    EXPECT_EQ(load.failedRow, row::kGrid);
    EXPECT_EQ(load.error, "'FF0000' is not a valid integer value");
    EXPECT_EQ(load.values.graph.cBack, 0x00FF0000u); // the colour before it was applied
    load = ParseSettings(WithLine("FormGraph cGrap=", "FormGraph cGrap=0x0G"), {});
    EXPECT_EQ(load.failedRow, row::kGrap);
}

TEST(SettingsFile, MalformedGraphIntegerEndsTheReading) {
    const auto load = ParseSettings(WithLine("FormGraph Unit=", "FormGraph Unit=dB"), {});
    EXPECT_EQ(load.failedRow, row::kUnit);
    EXPECT_EQ(load.error, "'dB' is not a valid integer value");
    EXPECT_EQ(load.values.graph.bVeiwTP, 11);
    EXPECT_EQ(load.values.graph.Unit, 0);
}

struct RangeCase {
    const char* name;
    const char* prefix;
    const char* line;
};

class SettingsOutOfRange : public testing::TestWithParam<RangeCase> {};

// Values that would divide by zero or index past a scale table fall back to the initial
// value instead of failing the whole file.
TEST_P(SettingsOutOfRange, FallsBackToTheInitialValue) {
    const RangeCase& c = GetParam();
    const auto load = ParseSettings(WithLine(c.prefix, c.line), Settings{});
    EXPECT_EQ(load.failedRow, 0) << load.error;
    Settings expected = Changed();
    const Settings init;
    if (std::string(c.prefix) == "Form1 wTimeStep=")
        expected.main.wTimeStep = 1;
    else if (std::string(c.prefix) == "Form1 fDist=")
        expected.main.fDist = 1.0f;
    else if (std::string(c.prefix) == "FormGraph NumPoint=")
        expected.graph.NumPoint = init.graph.NumPoint;
    else if (std::string(c.prefix) == "FormGraph wQx=")
        expected.graph.wQx = init.graph.wQx;
    else if (std::string(c.prefix) == "FormGraph NScaleDB=")
        expected.graph.NScaleDB = init.graph.NScaleDB;
    else if (std::string(c.prefix) == "FormGraph NScaleV=")
        expected.graph.NScaleV = init.graph.NScaleV;
    else if (std::string(c.prefix) == "FormGraph bVeiwTP=")
        expected.graph.bVeiwTP = init.graph.bVeiwTP;
    ExpectEqual(load.values, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsOutOfRange,
    testing::Values(RangeCase{"PeriodZero", "Form1 wTimeStep=", "Form1 wTimeStep=0"},
                    RangeCase{"PeriodAboveThirty", "Form1 wTimeStep=", "Form1 wTimeStep=31"},
                    RangeCase{"DistanceZero", "Form1 fDist=", "Form1 fDist=0,0"},
                    RangeCase{"DistanceNegative", "Form1 fDist=", "Form1 fDist=-2,0"},
                    RangeCase{"DistanceAboveTen", "Form1 fDist=", "Form1 fDist=10,5"},
                    RangeCase{"NumPointZero", "FormGraph NumPoint=", "FormGraph NumPoint=0"},
                    RangeCase{"NumPointHuge", "FormGraph NumPoint=", "FormGraph NumPoint=70000"},
                    RangeCase{"DivisionsNegative", "FormGraph wQx=", "FormGraph wQx=-3"},
                    RangeCase{"DbRowPastTable", "FormGraph NScaleDB=", "FormGraph NScaleDB=10"},
                    RangeCase{"VoltRowNegative", "FormGraph NScaleV=", "FormGraph NScaleV=-1"},
                    RangeCase{"OverlayBeyondInt8", "FormGraph bVeiwTP=", "FormGraph bVeiwTP=300"}),
    [](const testing::TestParamInfo<RangeCase>& info) { return info.param.name; });

TEST(SettingsFile, LimitsOfTheRangesAreAccepted) {
    auto load = ParseSettings(WithLine("Form1 fDist=", "Form1 fDist=0,3"), {});
    EXPECT_FLOAT_EQ(load.values.main.fDist, 0.3f);
    load = ParseSettings(WithLine("Form1 fDist=", "Form1 fDist=10,0"), {});
    EXPECT_FLOAT_EQ(load.values.main.fDist, 10.0f);
    load = ParseSettings(WithLine("Form1 wTimeStep=", "Form1 wTimeStep=30"), {});
    EXPECT_EQ(load.values.main.wTimeStep, 30);
    load = ParseSettings(WithLine("FormGraph NumPoint=", "FormGraph NumPoint=3200"), {});
    EXPECT_EQ(load.values.graph.NumPoint, 3200);
}

TEST(SettingsFile, TestFireOverlaysAreSelectedByTheirIdentifiers) {
    for (int id : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12})
        EXPECT_TRUE(core::SelectsTestFire(id)) << id;
    for (int id : {-1, 0, 10, 13, 127})
        EXPECT_FALSE(core::SelectsTestFire(id)) << id;
}

TEST(SettingsFile, KeysAndPath) {
    EXPECT_EQ(core::SettingsKey(row::kCom), "COM");
    EXPECT_EQ(core::SettingsKey(row::kVeiwTP), "FormGraph bVeiwTP");
    EXPECT_EQ(core::SettingsKey(row::kGrap), "FormGraph cGrap");
    EXPECT_EQ(core::SettingsKey(34), "");
    EXPECT_EQ(core::SettingsPath("/home/u/.config/vels5"), "/home/u/.config/vels5/vels5.ini");
}

} // namespace

namespace {

TEST(GraphOptions, AutoKeptBesideTheSettingsFileWhichStaysAsItWas) {
    Settings s;
    s.graph.AutoY = true;
    EXPECT_EQ(core::FormatSettings(s, "COM1"), core::FormatSettings(Settings{}, "COM1"));
    EXPECT_EQ(core::FormatGraphOptions(s.graph), "FormGraph AutoY=true\r\n");
    core::GraphView read;
    core::ParseGraphOptions(core::FormatGraphOptions(s.graph), read);
    EXPECT_TRUE(read.AutoY);
    core::ParseGraphOptions("x=1\nformgraph autoy=FALSE\rFormGraph AutoY=true", read);
    EXPECT_FALSE(read.AutoY); // the first line of the key, letter case ignored
    // A damaged value or no key leaves the option as it is.
    core::ParseGraphOptions("FormGraph AutoY=yes\r\n", read);
    EXPECT_FALSE(read.AutoY);
    read.AutoY = true;
    core::ParseGraphOptions("", read);
    EXPECT_TRUE(read.AutoY);
    EXPECT_EQ(core::GraphOptionsPath(core::SettingsPath("/home/u/.config/vels5")),
              "/home/u/.config/vels5/vels5-graph.ini");
    EXPECT_EQ(core::GraphOptionsPath("C:\\Windows\\vels5.ini"), "C:\\Windows\\vels5-graph.ini");
}

} // namespace
