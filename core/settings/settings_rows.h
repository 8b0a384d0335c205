// The one table of the settings file's rows: each row's key, window, what it carries and
// the field it is read into and written from. The file format, the reading and the windows
// that apply a read file all go by it.
#pragma once

#include "core/graph/graph_view.h"
#include "core/session/measurement_params.h"
#include "core/table/table_view.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

struct Settings;

/// The window a row belongs to.
enum class SettingsWindow : std::uint8_t { Main, Table, Graph };

/// What a row carries, and so who applies it when a file is read.
enum class SettingsRowUse : std::uint8_t {
    Port,    ///< row 1: the open port's name, written and never read
    Visible, ///< the window is shown when "true": the window applies it (its show handling
             ///< runs at that point, before the rows after it)
    Top,     ///< the window's frame position and size, pixels: applied by the window
    Left,
    Height,
    Width,
    Value, ///< a field of MeasurementParams, TableView or GraphView: ApplySettingsValue
};

/// One row of the file.
struct SettingsRow {
    std::string_view key; ///< "Form1 Top"
    SettingsWindow window;
    SettingsRowUse use;
};

/// Row `row`, 1 to settings_row::kCount (out of range: row 1).
const SettingsRow& SettingsRowAt(int row);

/// The value of row `row` as the file writes it (UTF-8), `portText` for row 1.
std::string FormatSettingsRow(int row, const Settings& settings, std::string_view portText);

/// Reads the value text of row `row` into `settings`. A key without a default that does not
/// convert leaves the field alone and returns false with the conversion error in `error`
/// ("'x' is not a valid integer value"); a value out of the row's range gives its default or
/// initial value. Row 1 is never read (true, nothing changes).
bool ReadSettingsRow(int row, std::string_view value, Settings& settings, std::string& error);

/// Where the Value rows live in the running program. A null part is left alone.
struct SettingsTargets {
    MeasurementParams* params = nullptr; ///< the main window's distance and period
    TableView* table = nullptr;          ///< the table window's view options
    GraphView* graph = nullptr;          ///< the graph window's view state
};

/// Copies the value of row `row` from `loaded` into its target; nothing for a row that is
/// not a Value row or whose target is null.
void ApplySettingsValue(int row, const Settings& loaded, const SettingsTargets& to);

/// A window's frame as the file keeps it: shown or not, position and outer size in pixels.
/// The main window has no Visible, Height or Width rows (true, 0, 0).
struct WindowFrame {
    bool visible = false;
    int top = 0, left = 0, height = 0, width = 0;
};
WindowFrame FrameOf(const Settings& settings, SettingsWindow window);
void SetFrame(Settings& settings, SettingsWindow window, const WindowFrame& frame);

} // namespace core
