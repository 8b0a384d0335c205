// Label placement and toolbar parts shared by every window.
#include "ui/common/form_style.h"

#include "core/session/panel_text.h"
#include "ui/paint/glyphs.h"

#include <QLabel>
#include <QToolBar>
#include <QToolButton>

namespace ui {

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

QToolButton* AddToolButton(QToolBar* bar, const QString& name, const QString& hint,
                           const QIcon& icon, bool checkable) {
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setIcon(icon);
    button->setIconSize(QSize(kGlyphSize, kGlyphSize));
    button->setFixedSize(36, 38);
    button->setAutoRaise(true);
    button->setCheckable(checkable);
    bar->addWidget(button);
    return button;
}

} // namespace ui
