// The graph window's stored view state: scale, margins, overlay choice and colours.
#pragma once

#include <cstdint>

namespace core {

/// The view options of the graph window that the settings file keeps between runs. The member
/// initialisers are the values a new window starts from. The window holds one of these and the
/// drawing reads it; transient drag state (overlay shift, pan) is not part of it.
struct GraphView {
    std::int16_t NumPoint = 200;    ///< record periods across the plot width, 1 to 3200
    std::int16_t LeftMargin = 75;   ///< pixels left of the plot area
    std::int16_t BottomMargin = 25; ///< pixels below the plot area
    std::int16_t wQx = 8;           ///< time divisions
    std::int16_t wQy = 10;          ///< value divisions
    std::int8_t bVeiwTP = 0; ///< overlay shown: 0 none, 1-9/11/12 a test fire, 10 the template
    /// Value scale: 0 dB/m, 1 percent, 2 volts; any other value shows no scale. The settings
    /// file stores it as a signed byte (255 is written as -1).
    std::uint8_t Unit = 0;
    std::int16_t NScaleDB = 2;        ///< row of the dB/m scale table in use, 0 to 9
    std::int16_t NScalePER = 3;       ///< row of the percent scale table in use, 0 to 4
    std::int16_t NScaleV = 2;         ///< row of the volt scale table in use, 0 to 2
    std::uint32_t cBack = 0x000000;   ///< plot background; colours are 0x00BBGGRR
    std::uint32_t cMargin = 0x808080; ///< margins and labels background
    std::uint32_t cGrid = 0x008000;
    std::uint32_t cFont = 0x000000;
    std::uint32_t cGrap = 0x00FFFF; ///< the curve
    /// "Авто": each redraw takes the smallest row of the unit that holds what is shown
    /// (core/graph/graph_auto_scale.h). Kept beside the settings file, not in its rows.
    bool AutoY = false;
    bool operator==(const GraphView&) const = default;
};

} // namespace core
