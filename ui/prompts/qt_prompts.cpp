// Qt implementation of the prompts: message boxes and non-native file and colour dialogs.
#include "ui/prompts/qt_prompts.h"

#include "ui/common/utf8.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace ui {
namespace {

std::optional<std::string> Run(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return Utf8(dialog.selectedFiles().constFirst());
}

} // namespace

QString FilterSuffix(const QString& nameFilter, const QString& fallback) {
    const qsizetype open = nameFilter.indexOf(QStringLiteral("(*."));
    if (open < 0)
        return fallback;
    const qsizetype start = open + 3;
    qsizetype end = start;
    while (end < nameFilter.size() && nameFilter[end].isLetterOrNumber())
        ++end;
    return end > start ? nameFilter.mid(start, end - start) : fallback;
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

QWidget* QtPrompts::Parent() {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

void QtPrompts::Information(std::string_view caption, std::string_view text) {
    QMessageBox box(QMessageBox::Information, QText(caption), QText(text), QMessageBox::Ok,
                    Parent());
    box.exec();
}

void QtPrompts::Error(std::string_view caption, std::string_view text) {
    QMessageBox box(QMessageBox::Critical, QText(caption), QText(text), QMessageBox::Ok, Parent());
    box.exec();
}

core::PromptAnswer QtPrompts::Question(std::string_view caption, std::string_view text,
                                       core::PromptButtons buttons) {
    using core::PromptAnswer;
    using core::PromptButtons;
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
    QMessageBox box(QMessageBox::Question, QText(caption), QText(text), set, Parent());
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

void QtPrompts::ConfigureFileDialog(QFileDialog& dialog, const core::FileDialogOptions& options,
                                    bool save) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowTitle(QText(options.title));
    const QStringList filters = QtNameFilters(QText(options.filter));
    dialog.setNameFilters(filters);
    if (options.filterIndex >= 1 && options.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[options.filterIndex - 1]);
    dialog.setDefaultSuffix(QText(options.defaultSuffix));
    // A name typed without extension gets that of the filter chosen ("PNG (*.png)": png),
    // or the default one under a filter of any extension.
    const QString fallback = QText(options.defaultSuffix);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, fallback](const QString& filter) {
                         dialog.setDefaultSuffix(FilterSuffix(filter, fallback));
                     });
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The callers ask "Файл существует, заменить?" themselves, with their own buttons.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, save);
    if (!options.fileName.empty())
        dialog.selectFile(QText(options.fileName));
}

std::optional<std::string> QtPrompts::OpenFileName(const core::FileDialogOptions& options) {
    QFileDialog dialog(Parent());
    ConfigureFileDialog(dialog, options, false);
    return Run(dialog);
}

std::optional<std::string> QtPrompts::SaveFileName(const core::FileDialogOptions& options) {
    std::optional<core::FileChoice> choice = SaveFileChoice(options);
    if (!choice)
        return std::nullopt;
    return std::move(choice->path);
}

std::optional<core::FileChoice> QtPrompts::SaveFileChoice(const core::FileDialogOptions& options) {
    QFileDialog dialog(Parent());
    ConfigureFileDialog(dialog, options, true);
    std::optional<std::string> path = Run(dialog);
    if (!path)
        return std::nullopt;
    const int entry = static_cast<int>(dialog.nameFilters().indexOf(dialog.selectedNameFilter()));
    return core::FileChoice{std::move(*path), entry >= 0 ? entry + 1 : options.filterIndex};
}

std::optional<core::Rgb> QtPrompts::ChooseColour(core::Rgb initial) {
    const QColor colour =
        QColorDialog::getColor(QColor(initial.red, initial.green, initial.blue), Parent(),
                               QString(), QColorDialog::DontUseNativeDialog);
    if (!colour.isValid())
        return std::nullopt;
    return core::Rgb{static_cast<std::uint8_t>(colour.red()),
                     static_cast<std::uint8_t>(colour.green()),
                     static_cast<std::uint8_t>(colour.blue())};
}

} // namespace ui
