// The about box: the program's title and the build's version.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace ui {

class TFormAbout final : public QDialog {
    Q_OBJECT
public:
    /// `version` is the build's four-part version; empty keeps the label "Версия 1.00".
    explicit TFormAbout(const QString& version, QWidget* parent = nullptr);

    QLabel* lTitle;
    QLabel* lVersion;
    QPushButton* Button1;

    void Button1Click() { close(); }
};

} // namespace ui
