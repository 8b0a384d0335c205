// Fonts and label placement shared by every window.
#include "ui/common/form_style.h"

#include "core/session/panel_text.h"

#include <QLabel>
#include <QToolBar>

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

LabelPanel AddLabelPanel(QToolBar* bar, int y, int distX) {
    auto* panel = new QWidget(bar);
    panel->setObjectName(QStringLiteral("Panel1"));
    const QFont font = PixelFont(16);
    QLabel* time = MakeLabel(panel, QStringLiteral("lTime"),
                             QString::fromUtf8(core::kElapsedZero.data(),
                                               static_cast<qsizetype>(core::kElapsedZero.size())),
                             font, 4, y);
    QLabel* dist = MakeLabel(panel, QStringLiteral("lDist"), QStringLiteral("Li="), font, distX, y);
    bar->addWidget(panel);
    return {panel, time, dist};
}

void ShowText(QLabel* label, std::string_view text) {
    label->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    label->adjustSize();
}

} // namespace ui
