// The settings file vels5.ini: the 33 lines that keep window layout, measurement
// parameters and view options from one run to the next.
#pragma once

#include "core/graph/graph_view.h"
#include "core/session/measurement_params.h"
#include "core/settings/settings_rows.h"
#include "core/table/table_view.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

/// Every value the settings file carries. The member initialisers are the values the windows
/// have when they are created, so a default-constructed Settings is the state without a file.
struct Settings {
    /// The main window: the measurement parameters and the frame position.
    struct Main : MeasurementParams {
        int top = 656; ///< frame position, pixels
        int left = 194;
    };
    /// The table window: frame and view options.
    struct Table : TableView {
        bool visible = false;
        int top = 100, left = 100;     ///< frame position, pixels
        int height = 358, width = 549; ///< frame size, pixels
    };
    /// The graph window: frame and view state.
    struct Graph : GraphView {
        bool visible = false;
        int top = 150, left = 150, height = 469, width = 1072;
    };
    Main main;
    Table table;
    Graph graph;
};

/// Row numbers of the file (1-based, in the order written and applied).
namespace settings_row {
inline constexpr int kCom = 1;
inline constexpr int kMainTop = 2;
inline constexpr int kMainLeft = 3;
inline constexpr int kTimeStep = 4;
inline constexpr int kDist = 5;
inline constexpr int kTableVisible = 6;
inline constexpr int kTableTop = 7;
inline constexpr int kTableLeft = 8;
inline constexpr int kTableHeight = 9;
inline constexpr int kTableWidth = 10;
inline constexpr int kViewLastLine = 11;
inline constexpr int kDelim = 12;
inline constexpr int kIsUnit = 13;
inline constexpr int kGraphVisible = 14;
inline constexpr int kGraphTop = 15;
inline constexpr int kGraphLeft = 16;
inline constexpr int kGraphHeight = 17;
inline constexpr int kGraphWidth = 18;
inline constexpr int kNumPoint = 19;
inline constexpr int kLeftMargin = 20;
inline constexpr int kBottomMargin = 21;
inline constexpr int kWQx = 22;
inline constexpr int kWQy = 23;
inline constexpr int kVeiwTP = 24;
inline constexpr int kUnit = 25;
inline constexpr int kNScaleDB = 26;
inline constexpr int kNScalePER = 27;
inline constexpr int kNScaleV = 28;
inline constexpr int kBack = 29;
inline constexpr int kMargin = 30;
inline constexpr int kGrid = 31;
inline constexpr int kFont = 32;
inline constexpr int kGrap = 33;
inline constexpr int kCount = 33;
} // namespace settings_row

/// The key of a row ("Form1 Top"), 1 to 33.
std::string_view SettingsKey(int row);

/// The file's bytes (Windows-1251, CR LF after every line, the last included).
/// `comText` is the port shown in the status bar (UTF-8), written as line 1 and never read.
std::string FormatSettings(const Settings& settings, std::string_view comText);

/// What reading a file gave. Rows are applied in order from row 2; a conversion error ends
/// the reading at the failing row, so rows from `failedRow` on keep the values of `current`.
struct SettingsLoad {
    Settings values;   ///< the loaded values of the rows before failedRow, the rest unchanged
    int failedRow = 0; ///< 0: every row was read
    std::string error; ///< conversion error text, e.g. "'' is not a valid integer value"

    /// True when `row` was read and its value is to be applied.
    bool Applied(int row) const { return failedRow == 0 || row < failedRow; }
};

/// Reads the file's bytes, row by row in the order of the table (core/settings_rows.h). Lookup: the
/// first line whose text before its first "=" equals the key, ignoring letter case; the value is
/// the text after that "=". Lines end at CR LF, CR or LF. Out-of-range values that would break the
/// program (a distance outside 0.3-10 m, a record period outside 1-30 s, graph counts that must be
/// positive, scale rows outside their tables) are replaced by the row's default or the initial
/// value.
SettingsLoad ParseSettings(std::string_view fileBytes, const Settings& current);

/// True for the overlay identifiers whose test-fire menu action is performed when
/// "FormGraph bVeiwTP" is read: 1 to 9, 11 and 12.
bool SelectsTestFire(int bVeiwTP);

/// "<configDir>/vels5.ini".
std::string SettingsPath(const std::string& configDir);

} // namespace core
