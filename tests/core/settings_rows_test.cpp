// The table of the settings rows: what each row carries, and a read file's values going into
// the windows' own structures while frames and showing stay with the windows.
#include "core/settings/settings_file.h"

#include <gtest/gtest.h>
#include <set>

namespace {

using core::SettingsRowUse;
using core::SettingsWindow;
namespace row = core::settings_row;

TEST(SettingsRows, EveryRowHasItsKeyWindowAndUse) {
    std::set<std::string_view> keys;
    int values = 0, frames = 0;
    for (int r = 1; r <= row::kCount; ++r) {
        const core::SettingsRow& info = core::SettingsRowAt(r);
        EXPECT_TRUE(keys.insert(info.key).second) << info.key;
        const std::string_view prefix = info.window == SettingsWindow::Main    ? "Form1 "
                                        : info.window == SettingsWindow::Table ? "FormTabl "
                                                                               : "FormGraph ";
        if (r > 1) {
            EXPECT_EQ(info.key.substr(0, prefix.size()), prefix) << info.key;
        }
        values += info.use == SettingsRowUse::Value;
        frames += info.use != SettingsRowUse::Value && info.use != SettingsRowUse::Port;
    }
    EXPECT_EQ(values, 20); // 2 parameters, 3 table options, 15 graph values
    EXPECT_EQ(frames, 12); // main top/left, table and graph visible/top/left/height/width
    EXPECT_EQ(core::SettingsRowAt(row::kCom).use, SettingsRowUse::Port);
    EXPECT_EQ(core::SettingsRowAt(row::kDist).use, SettingsRowUse::Value);
    EXPECT_EQ(core::SettingsRowAt(row::kTableVisible).use, SettingsRowUse::Visible);
    EXPECT_EQ(core::SettingsRowAt(row::kGraphWidth).use, SettingsRowUse::Width);
    EXPECT_EQ(core::SettingsRowAt(row::kGraphWidth).window, SettingsWindow::Graph);
}

TEST(SettingsRows, ValueRowsGoIntoTheTargetsAndFrameRowsDoNot) {
    core::Settings loaded;
    loaded.main.wTimeStep = 9;
    loaded.main.fDist = 4.5f;
    loaded.main.top = 1; // a frame: never copied into a target
    loaded.table.Delim = "|";
    loaded.table.IsUnit = true;
    loaded.graph.NumPoint = 321;
    loaded.graph.cGrap = 0x00123456;
    loaded.graph.top = 777;
    core::MeasurementParams params;
    core::TableView table;
    core::GraphView graph;
    const core::SettingsTargets to{&params, &table, &graph};
    for (int r = 1; r <= row::kCount; ++r)
        core::ApplySettingsValue(r, loaded, to);
    EXPECT_EQ(params.wTimeStep, 9);
    EXPECT_EQ(params.fDist, 4.5f);
    EXPECT_EQ(table.Delim, "|");
    EXPECT_TRUE(table.IsUnit);
    EXPECT_EQ(graph.NumPoint, 321);
    EXPECT_EQ(graph.cGrap, 0x00123456u);
    // Row by row: only the named value moves.
    core::GraphView untouched;
    core::ApplySettingsValue(row::kGraphTop, loaded, {nullptr, nullptr, &untouched});
    core::ApplySettingsValue(row::kNumPoint, loaded, {nullptr, nullptr, &untouched});
    EXPECT_EQ(untouched.NumPoint, 321);
    EXPECT_EQ(untouched.cGrap, core::GraphView{}.cGrap);
}

TEST(SettingsRows, MissingTargetsAreLeftAlone) {
    core::Settings loaded;
    loaded.table.Delim = "|";
    loaded.graph.wQx = 50;
    core::MeasurementParams params;
    for (int r = 1; r <= row::kCount; ++r)
        core::ApplySettingsValue(r, loaded, {&params, nullptr, nullptr}); // must not crash
    core::TableView table;
    core::ApplySettingsValue(row::kDelim, loaded, {nullptr, &table, nullptr});
    EXPECT_EQ(table.Delim, "|");
}

TEST(SettingsRows, FramesOfTheThreeWindows) {
    core::Settings s;
    core::SetFrame(s, SettingsWindow::Table, {true, 1, 2, 3, 4});
    core::SetFrame(s, SettingsWindow::Graph, {false, 5, 6, 7, 8});
    core::SetFrame(s, SettingsWindow::Main, {false, 9, 10, 11, 12});
    const core::WindowFrame t = core::FrameOf(s, SettingsWindow::Table);
    EXPECT_TRUE(t.visible);
    EXPECT_EQ(t.top, 1);
    EXPECT_EQ(t.left, 2);
    EXPECT_EQ(t.height, 3);
    EXPECT_EQ(t.width, 4);
    EXPECT_EQ(s.graph.width, 8);
    EXPECT_EQ(s.main.top, 9);
    EXPECT_EQ(s.main.left, 10);
    EXPECT_TRUE(core::FrameOf(s, SettingsWindow::Main).visible); // the main window is shown
}

TEST(SettingsRows, EachRowReadsAndWritesItsOwnField) {
    core::Settings s;
    std::string error;
    ASSERT_TRUE(core::ReadSettingsRow(row::kNScaleV, "1", s, error));
    EXPECT_EQ(s.graph.NScaleV, 1);
    EXPECT_EQ(core::FormatSettingsRow(row::kNScaleV, s, ""), "1");
    EXPECT_FALSE(core::ReadSettingsRow(row::kWQy, "x", s, error));
    EXPECT_EQ(error, "'x' is not a valid integer value");
    EXPECT_EQ(s.graph.wQy, core::GraphView{}.wQy);
    ASSERT_TRUE(core::ReadSettingsRow(row::kUnit, "-1", s, error));
    EXPECT_EQ(s.graph.Unit, 255);
    EXPECT_EQ(core::FormatSettingsRow(row::kUnit, s, ""), "-1");
    EXPECT_EQ(core::FormatSettingsRow(row::kCom, s, "COM7"), "COM7");
    ASSERT_TRUE(core::ReadSettingsRow(row::kCom, "COM9", s, error)); // never read
}

} // namespace
