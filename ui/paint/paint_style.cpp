// The shared fonts and the colour values of the settings file.
#include "ui/paint/paint_style.h"

namespace ui {

namespace {

// "MS Sans Serif" is rarely installed; Liberation Sans has the narrow metrics the fixed
// layouts were made for (the usual fontconfig stand-in, DejaVu Sans, is about 15 % wider,
// so the longest fault text would overflow the main window).
QFont SansSerif() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    return font;
}

} // namespace

QFont FormFont() {
    QFont font = SansSerif();
    font.setPointSize(8);
    return font;
}

QFont PixelFont(int pixels, bool bold, bool italic) {
    QFont font = SansSerif();
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QColor ColourFromBgr(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

std::uint32_t BgrFromColour(const QColor& colour) {
    return static_cast<std::uint32_t>(colour.red()) |
           static_cast<std::uint32_t>(colour.green()) << 8 |
           static_cast<std::uint32_t>(colour.blue()) << 16;
}

} // namespace ui
