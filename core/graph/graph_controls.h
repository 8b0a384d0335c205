// The graph window's view controls as rules on the view state: time and value zoom, the choice
// of scale and the choice of overlay.
#pragma once

#include "core/graph/graph_view.h"

#include <cstdint>
#include <optional>

namespace core {

/// The time zoom's limits of NumPoint.
inline constexpr int kMinNumPoint = 25;
inline constexpr int kMaxNumPoint = 3200;

/// What a zoom step does to its pair of controls ("Растянуть", "Сжать": the menu item and the
/// toolbar button alike). nullopt leaves a control as it is.
struct ZoomStep {
    std::optional<bool> expandEnabled;
    std::optional<bool> contractEnabled;
    bool redraw = false;
    bool operator==(const ZoomStep&) const = default;
};

/// Time "Растянуть" (fewer records across): above 25, NumPoint is halved, "Сжать" enabled,
/// wQx set (10 up to 100 records across, 8 above) and the graph redrawn; then at 25
/// "Растянуть" is disabled.
ZoomStep ExpandTime(GraphView& view);
/// Time "Сжать": below 3200, NumPoint is doubled, "Растянуть" enabled, wQx set, redrawn;
/// then at 3200 "Сжать" is disabled.
ZoomStep ContractTime(GraphView& view);

/// The scale row index of the view's unit (NScaleDB, NScalePER, NScaleV), or nullptr for a
/// unit without a scale table.
std::int16_t* ScaleRowIndex(GraphView& view);

/// Value "Растянуть" (smaller range): above row 0 the row is decremented and "Сжать" enabled;
/// then at row 0 "Растянуть" is disabled. Always redraws. Each scale keeps its own row.
ZoomStep ExpandValue(GraphView& view);
/// Value "Сжать" (larger range): below the scale's last row the row is incremented and
/// "Растянуть" enabled; then at the last row "Сжать" is disabled. Always redraws.
ZoomStep ContractValue(GraphView& view);

/// The value zoom controls after a scale has been chosen.
struct ScaleChoice {
    bool expandEnabled = true;
    bool contractEnabled = true;
    bool operator==(const ScaleChoice&) const = default;
};

/// A scale button or menu item (unit 0 dB/m, 1 percent, 2 volts): sets Unit; "Растянуть" is
/// enabled unless the scale's row is 0, "Сжать" unless it is the last row.
ScaleChoice SelectScale(GraphView& view, int unit);

/// The overlay controls after a choice: the menu item checked and the speed button shown down
/// (0: all twelve up). The overlay shift always returns to 0.
struct OverlayChoice {
    std::int8_t bVeiwTP = 0;
    int checkedItem = 0;
    int downButton = 0;
    bool operator==(const OverlayChoice&) const = default;
};

/// An item of "Тестовый пожар" with tag `tag` (0 "Убрать ТП", 1-9, 11, 12 a fire, 10 the
/// template).
OverlayChoice ChooseOverlay(int tag);
/// An overlay speed button with tag `tag` after the click has toggled it: pressed, it acts as
/// the menu item of its tag; released, as "Убрать ТП".
OverlayChoice OverlayButtonClicked(int tag, bool down);

} // namespace core
