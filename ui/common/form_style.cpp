// Fonts and label placement shared by every window.
#include "ui/common/form_style.h"

#include <QLabel>

namespace ui {

QFont FormFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    return font;
}

QFont PixelFont(int pixels, bool bold, bool italic) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const QFont& font,
                  int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(font);
    label->adjustSize();
    label->move(x, y);
    return label;
}

void SetCentred(QLabel* label, const QString& text, int centre) {
    label->setText(text);
    Centre(label, centre);
}

void Centre(QLabel* label, int centre) {
    label->adjustSize();
    label->move(centre - label->width() / 2, label->y());
}

} // namespace ui
