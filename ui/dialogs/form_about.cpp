// The about box.
#include "ui/dialogs/form_about.h"

#include "ui/common/form_style.h"

#include <QLabel>
#include <QPushButton>

namespace ui {

TFormAbout::TFormAbout(const QString& version, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormAbout"));
    setWindowTitle(QStringLiteral("О программе"));
    setFont(FormFont());
    setFixedSize(InnerSize(275, 165));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    const int centre = width() / 2;
    lTitle = MakeLabel(this, QStringLiteral("lTitle"), QStringLiteral("Монитор для ВЕЛС-5"),
                       PixelFont(21, true, true), 0, 16);
    Centre(lTitle, centre);
    lVersion = MakeLabel(this, QStringLiteral("lVersion"), QStringLiteral("Версия 1.00"),
                         PixelFont(13), 0, 56);
    if (!version.isEmpty())
        SetCentred(lVersion, QStringLiteral("Версия ") + version, centre);
    else
        Centre(lVersion, centre);
    Button1 = new QPushButton(QStringLiteral("Ok"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(centre - 75 / 2, 92, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &TFormAbout::Button1Click);
}

} // namespace ui
