// Toolbar pictures, drawn by the program (no image files): simple black-and-colour glyphs
// on a transparent 24 x 24 square.
#pragma once

#include <QIcon>
#include <QString>

namespace ui {

/// The side of every glyph's square, in pixels.
inline constexpr int kGlyphSize = 24;

enum class Glyph {
    Record,    ///< red dot: recording switch
    Table,     ///< grid: table window
    Graph,     ///< polyline on axes: graph window
    Restart,   ///< circular arrow
    Open,      ///< folder
    Save,      ///< diskette
    SaveAs,    ///< diskette with a pen
    Template,  ///< diskette with a dashed curve
    Delete,    ///< red cross
    LastLine,  ///< arrow down to a line
    Picture,   ///< framed landscape
    ExpandX,   ///< arrows apart, horizontal
    ContractX, ///< arrows together, horizontal
    ExpandY,   ///< arrows apart, vertical
    ContractY, ///< arrows together, vertical
};

QIcon GlyphIcon(Glyph glyph);
/// A glyph made of a short text (scale units, overlay names).
QIcon TextIcon(const QString& text);

} // namespace ui
