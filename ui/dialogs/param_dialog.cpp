// The common frame of the distance and period dialogs.
#include "ui/dialogs/param_dialog.h"

#include "core/common/prompts.h"
#include "ui/common/form_style.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace ui {

ParamDialog::ParamDialog(core::IPrompts& prompts, const QString& line1, const QString& line2,
                         const QString& editName, int maxLength, const QString& text,
                         QWidget* parent)
    : QDialog(parent), m_prompts(prompts) {
    setWindowTitle(QStringLiteral("Параметр"));
    setFont(FormFont());
    setFixedSize(InnerSize(175, 144));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    const int centre = width() / 2;
    const QFont bold16 = PixelFont(16);
    Label1 = MakeLabel(this, QStringLiteral("Label1"), line1, bold16, 0, 4);
    Label2 = MakeLabel(this, QStringLiteral("Label2"), line2, bold16, 0, 23);
    Centre(Label1, centre);
    Centre(Label2, centre);
    m_edit = new QLineEdit(text, this);
    m_edit->setObjectName(editName);
    m_edit->setFont(bold16);
    m_edit->setMaxLength(maxLength);
    m_edit->setGeometry(centre - 121 / 2, 45, 121, 26);
    bOk = new QPushButton(QStringLiteral("Ввод"), this);
    bOk->setObjectName(QStringLiteral("bOk"));
    bOk->setFont(bold16);
    bOk->setGeometry(centre - 121 / 2, 77, 121, 28);
    // Enter reaches the button only through the field's returnPressed, never twice.
    bOk->setAutoDefault(false);
    connect(bOk, &QPushButton::clicked, this, [this] { bOkClick(); });
    connect(m_edit, &QLineEdit::returnPressed, bOk, &QPushButton::click);
}

void ParamDialog::showEvent(QShowEvent* event) {
    setResult(0);
    QDialog::showEvent(event);
}

bool ParamDialog::Judge(core::EntryVerdict verdict, const std::string& message,
                        const std::string& corrected) {
    switch (verdict) {
    case core::EntryVerdict::Accepted:
        return true;
    case core::EntryVerdict::NotANumber:
        m_prompts.Error("Error", message);
        return false;
    case core::EntryVerdict::TooLarge:
    case core::EntryVerdict::TooSmall:
        m_prompts.Information(core::kAppTitle, message);
        m_edit->setText(QString::fromStdString(corrected));
        return false;
    }
    return false;
}

} // namespace ui
