// The six pictures of the adjustment direction indicator: outline and filled square, left
// and right triangle, 48 x 48, monochrome (black on transparent).
#pragma once

#include <QPixmap>

namespace ui {

enum class IndicatorShape { Square, LeftTriangle, RightTriangle };

inline constexpr int kIndicatorSize = 48;

/// A 48 x 48 picture whose pixels are either black or fully transparent.
QPixmap IndicatorPicture(IndicatorShape shape, bool filled);

} // namespace ui
