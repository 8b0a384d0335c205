// Dial geometry: value to angle, pointer segments, scale ticks and numeral places.
#include "core/tech/dial_geometry.h"

#include <cmath>
#include <numbers>

namespace core {

double PointerAngle(double value) {
    return (value * 30 + 120) * 2 * std::numbers::pi / 360;
}

double PointerAngleDeg(double value) {
    return value * 30 + 120;
}

Segment PointerSegment(double value, int cx, int cy, double r1, double r2) {
    const double a = PointerAngle(value);
    const double c = std::cos(a);
    const double s = std::sin(a);
    return {static_cast<int>(std::trunc(c * r1 + cx)), static_cast<int>(std::trunc(s * r1 + cy)),
            static_cast<int>(std::trunc(c * r2 + cx)), static_cast<int>(std::trunc(s * r2 + cy))};
}

std::array<ScaleTick, dial_scale::kTickCount> ScaleTicks() {
    using namespace dial_scale;
    std::array<ScaleTick, kTickCount> ticks{};
    for (int i = 0; i < kTickCount; ++i) {
        // Five minor steps make a whole value; counting steps keeps 0.2 x 5 exact.
        const bool major = i % 5 == 0;
        const double value = major ? i / 5 : i * kMinorStep;
        ticks[static_cast<std::size_t>(i)] = {value, PointerAngleDeg(value), kRingInner,
                                              major ? kMajorOuter : kRingOuter, major};
    }
    return ticks;
}

PointF NumeralCentre(double value, double width, double height) {
    const double a = PointerAngle(value);
    const double c = std::cos(a);
    const double s = std::sin(a);
    // Half the box's extent along the direction (c, s): its nearest edge then lies at
    // distance - extent from the centre of the dial.
    const double extent = std::abs(c) * width / 2 + std::abs(s) * height / 2;
    const double distance = dial_scale::kMajorOuter + dial_scale::kNumeralGap + extent;
    return {c * distance, s * distance};
}

} // namespace core
