// Qt implementation of the prompts: message boxes and non-native file and colour dialogs.
#include "ui/prompts/qt_prompts.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace ui {

QString AppTitle() {
    return QString::fromUtf8(core::kAppTitle.data(),
                             static_cast<qsizetype>(core::kAppTitle.size()));
}

QStringList QtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString& description = parts[i];
        if (description.contains(QLatin1Char('(')))
            filters << description;
        else
            filters << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters;
}

void QtPrompts::Information(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

void QtPrompts::Error(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

PromptAnswer QtPrompts::Question(QWidget* parent, const QString& caption, const QString& text,
                                 PromptButtons buttons) {
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    switch (buttons) {
    case PromptButtons::Ok:
        break;
    case PromptButtons::OkCancel:
        set = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case PromptButtons::YesNo:
        set = QMessageBox::Yes | QMessageBox::No;
        break;
    case PromptButtons::YesNoCancel:
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    }
    QMessageBox box(QMessageBox::Question, caption, text, set, parent);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return PromptAnswer::Ok;
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    default:
        return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
    }
}

void QtPrompts::ConfigureFileDialog(QFileDialog& dialog, const FileDialogOptions& options,
                                    bool save) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowTitle(options.title);
    const QStringList filters = QtNameFilters(options.filter);
    dialog.setNameFilters(filters);
    if (options.filterIndex >= 1 && options.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[options.filterIndex - 1]);
    dialog.setDefaultSuffix(options.defaultSuffix);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The callers ask "Файл существует, заменить?" themselves, with their own buttons.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, save);
    if (!options.fileName.isEmpty())
        dialog.selectFile(options.fileName);
}

std::optional<QString> QtPrompts::OpenFileName(QWidget* parent, const FileDialogOptions& options) {
    QFileDialog dialog(parent);
    ConfigureFileDialog(dialog, options, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtPrompts::SaveFileName(QWidget* parent, const FileDialogOptions& options) {
    QFileDialog dialog(parent);
    ConfigureFileDialog(dialog, options, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QColor> QtPrompts::ChooseColour(QWidget* parent, const QColor& initial) {
    const QColor colour =
        QColorDialog::getColor(initial, parent, QString(), QColorDialog::DontUseNativeDialog);
    if (!colour.isValid())
        return std::nullopt;
    return colour;
}

} // namespace ui
