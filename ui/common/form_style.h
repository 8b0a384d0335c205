// Look shared by every window: centred labels, toolbar buttons, the label panel and the frame
// that the windows' outer sizes include (the fonts themselves are in ui/paint/paint_style.h).
#pragma once

#include "ui/paint/paint_style.h"

#include <QFont>
#include <QIcon>
#include <QSize>
#include <QString>
#include <string_view>

class QLabel;
class QToolBar;
class QToolButton;
class QWidget;

namespace ui {

/// Window sizes are given as outer sizes; a standard frame (4-pixel borders, 26-pixel
/// caption) takes this much of them, so the Qt widget gets the outer size minus this.
inline constexpr QSize kFrameExtra{8, 34};

/// The outer size of a window as the Qt widget size.
inline QSize InnerSize(int outerWidth, int outerHeight) {
    return QSize(outerWidth, outerHeight) - kFrameExtra;
}

/// A label with objectName, text and font, placed at (x, y) with its text's natural size.
QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const QFont& font,
                  int x, int y);
/// Sets the label's text, fits its width to it and centres it on `centre` (left edge =
/// centre - width div 2), keeping its vertical position.
void SetCentred(QLabel* label, const QString& text, int centre);
/// Re-centres the label with its current text.
void Centre(QLabel* label, int centre);

/// A 36 x 38 flat toolbar button with objectName, tooltip and icon, added to `bar`.
QToolButton* AddToolButton(QToolBar* bar, const QString& name, const QString& hint,
                           const QIcon& icon, bool checkable = false);

/// The label panel "Panel1" at the end of a window's toolbar, with the elapsed-time label
/// lTime at (4, y) and the distance label lDist at (distX, y), bold 16 px, as the main, table
/// and graph windows carry it. The caller sizes the panel and may add labels of its own.
struct LabelPanel {
    QWidget* panel;
    QLabel* lTime;
    QLabel* lDist;
};
LabelPanel AddLabelPanel(QToolBar* bar, int y, int distX);
/// Shows a label text built in core (UTF-8) and fits the label's width to it.
void ShowText(QLabel* label, std::string_view text);

} // namespace ui
