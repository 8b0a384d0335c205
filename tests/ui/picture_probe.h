// Pixel probes for tests of composed pictures: exact colours near a point, counts in a box.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <cstdint>
#include <functional>

namespace test {

/// An opaque colour from a 0x00BBGGRR value.
inline QColor Bgr(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

/// Pixels inside `box` (clipped to the picture) for which `test` holds.
inline int CountPixels(const QImage& picture, const QRect& box,
                       const std::function<bool(const QColor&)>& test) {
    const QRect r = box & picture.rect();
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += test(picture.pixelColor(x, y));
    return n;
}

/// Pixels of exactly `colour` inside `box`.
inline int CountColour(const QImage& picture, const QRect& box, const QColor& colour) {
    return CountPixels(picture, box, [&](const QColor& c) { return c.rgb() == colour.rgb(); });
}

/// Some pixel within `radius` of (x, y) is exactly `colour`.
inline bool ColourNear(const QImage& picture, int x, int y, const QColor& colour, int radius = 1) {
    return CountColour(picture, QRect(x - radius, y - radius, 2 * radius + 1, 2 * radius + 1),
                       colour) > 0;
}

/// Red of the dial face, antialiased: red clearly above green and blue.
inline bool Reddish(const QColor& c) {
    return c.red() > 60 && c.green() < 40 && c.blue() < 40;
}

} // namespace test
