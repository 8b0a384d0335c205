// Zoom, scale and overlay rules of the graph window.
#include "core/graph/graph_controls.h"

#include "core/graph/graph_scale.h"

namespace core {
namespace {

std::int16_t TimeDivisions(int numPoint) {
    return numPoint <= 100 ? 10 : 8;
}

} // namespace

ZoomStep ExpandTime(GraphView& view) {
    ZoomStep step;
    if (view.NumPoint > kMinNumPoint) {
        view.NumPoint = static_cast<std::int16_t>(view.NumPoint / 2);
        step.contractEnabled = true;
        view.wQx = TimeDivisions(view.NumPoint);
        step.redraw = true;
    }
    if (view.NumPoint == kMinNumPoint)
        step.expandEnabled = false;
    return step;
}

ZoomStep ContractTime(GraphView& view) {
    ZoomStep step;
    if (view.NumPoint < kMaxNumPoint) {
        view.NumPoint = static_cast<std::int16_t>(view.NumPoint * 2);
        step.expandEnabled = true;
        view.wQx = TimeDivisions(view.NumPoint);
        step.redraw = true;
    }
    if (view.NumPoint == kMaxNumPoint)
        step.contractEnabled = false;
    return step;
}

std::int16_t* ScaleRowIndex(GraphView& view) {
    switch (view.Unit) {
    case kUnitDbPerM:
        return &view.NScaleDB;
    case kUnitPercent:
        return &view.NScalePER;
    case kUnitVolts:
        return &view.NScaleV;
    default:
        return nullptr;
    }
}

ZoomStep ExpandValue(GraphView& view) {
    ZoomStep step;
    step.redraw = true;
    std::int16_t* row = ScaleRowIndex(view);
    if (!row)
        return step;
    if (*row > 0) {
        --*row;
        step.contractEnabled = true;
    }
    if (*row == 0)
        step.expandEnabled = false;
    return step;
}

ZoomStep ContractValue(GraphView& view) {
    ZoomStep step;
    step.redraw = true;
    std::int16_t* row = ScaleRowIndex(view);
    if (!row)
        return step;
    const int limit = ScaleRowLimit(view.Unit);
    if (*row < limit) {
        ++*row;
        step.expandEnabled = true;
    }
    if (*row == limit)
        step.contractEnabled = false;
    return step;
}

ScaleChoice SelectScale(GraphView& view, int unit) {
    view.Unit = static_cast<std::uint8_t>(unit);
    ScaleChoice choice;
    if (const std::int16_t* row = ScaleRowIndex(view)) {
        choice.expandEnabled = *row != 0;
        choice.contractEnabled = *row != ScaleRowLimit(unit);
    }
    return choice;
}

OverlayChoice ChooseOverlay(int tag) {
    OverlayChoice choice;
    choice.bVeiwTP = static_cast<std::int8_t>(tag);
    choice.checkedItem = tag;
    choice.downButton = tag >= 1 && tag <= 12 ? tag : 0;
    return choice;
}

OverlayChoice OverlayButtonClicked(int tag, bool down) {
    return ChooseOverlay(down ? tag : 0);
}

} // namespace core
