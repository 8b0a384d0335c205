// Geometry of the technical panel's round dials: value to pointer angle, pointer segments,
// and the graduated scale (ticks and numeral positions) of the dial face.
#pragma once

#include <array>

namespace core {

/// The pointer angle of a value, radians: (v x 30 + 120) x 2 pi / 360. 0 lies at 120 deg
/// (lower left), 10 at 420 = 60 deg (lower right); y grows downwards, so growing values turn
/// clockwise on screen; values beyond 0..10 go on round the circle.
double PointerAngle(double value);
/// The same angle in degrees, 120 to 420 over the scale.
double PointerAngleDeg(double value);

/// A line between two pixel positions.
struct Segment {
    int x1;
    int y1;
    int x2;
    int y2;
    bool operator==(const Segment&) const = default;
};
/// The pointer of `value` from radius r1 to radius r2 around (cx, cy): each end is
/// (trunc(cos a x r + cx), trunc(sin a x r + cy)), truncated towards zero.
Segment PointerSegment(double value, int cx, int cy, double r1, double r2);

/// The dial scale: a 300-degree ring between kRingInner and kRingOuter with a minor tick
/// every 0.2 and a major tick at each whole value reaching out to kMajorOuter; the numerals
/// 0 to 10 stand outside.
namespace dial_scale {
inline constexpr double kRingInner = 88;
inline constexpr double kRingOuter = 104;
inline constexpr double kMajorOuter = 112;
/// Gap between a major tick's end and the nearest edge of its numeral.
inline constexpr double kNumeralGap = 3;
inline constexpr double kMinorStep = 0.2;
inline constexpr int kTickCount = 51; ///< 0, 0.2, ..., 10
} // namespace dial_scale

struct ScaleTick {
    double value;
    double angleDeg; ///< PointerAngleDeg(value)
    double r1;       ///< inner end, kRingInner
    double r2;       ///< outer end: kRingOuter (minor) or kMajorOuter (whole values)
    bool major;
};
/// The ticks of 0, 0.2, ..., 10 in increasing order.
std::array<ScaleTick, dial_scale::kTickCount> ScaleTicks();

struct PointF {
    double x;
    double y;
};
/// Where the centre of a numeral box `width` x `height` goes, relative to the dial centre,
/// for the whole value `value`: along the value's direction, far enough that the box's
/// nearest edge keeps kNumeralGap from the major tick's end whatever the direction. So the
/// numerals stand upright and look evenly spaced from the ring.
PointF NumeralCentre(double value, double width, double height);

} // namespace core
