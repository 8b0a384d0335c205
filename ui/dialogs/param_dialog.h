// The common frame of the two parameter dialogs: caption "Параметр", two centred labels,
// one edit field and the "Ввод" button; Enter in the field acts as the button.
#pragma once

#include "core/session/measurement_params.h"

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace core {
class IPrompts;
}

namespace ui {

class ParamDialog : public QDialog {
    Q_OBJECT
public:
    QLabel* Label1;
    QLabel* Label2;
    QPushButton* bOk;

protected:
    /// `editName` and `maxLength` describe the edit field, `text` its text in the form.
    ParamDialog(core::IPrompts& prompts, const QString& line1, const QString& line2,
                const QString& editName, int maxLength, const QString& text, QWidget* parent);
    /// Validates the field; stores and accepts, or tells the user and stays open.
    virtual void bOkClick() = 0;
    /// Clears the result each time the dialog is shown.
    void showEvent(QShowEvent* event) override;

    QLineEdit* Edit() const { return m_edit; }
    /// Shows what the check of the field found: the conversion error in a box titled
    /// "Error", a range message with the corrected text put into the field. True when the
    /// entry was accepted (nothing shown).
    bool Judge(core::EntryVerdict verdict, const std::string& message,
               const std::string& corrected);

    core::IPrompts& m_prompts;

private:
    QLineEdit* m_edit;
};

} // namespace ui
