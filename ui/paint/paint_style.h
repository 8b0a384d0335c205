// Fonts and colour values every drawing of the program shares: the windows, the graph
// picture, the toolbar glyphs and the report.
#pragma once

#include <QColor>
#include <QFont>
#include <cstdint>

namespace ui {

/// "MS Sans Serif" 8 pt, the font of every form.
QFont FormFont();
/// "MS Sans Serif" of `pixels` height, bold unless told otherwise.
QFont PixelFont(int pixels, bool bold = true, bool italic = false);

/// A 0x00BBGGRR colour value as a QColor, and back.
QColor ColourFromBgr(std::uint32_t bgr);
std::uint32_t BgrFromColour(const QColor& colour);

} // namespace ui
