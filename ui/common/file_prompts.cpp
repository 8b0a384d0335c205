// The dialogs and messages around the table and template files.
#include "ui/common/file_prompts.h"

#include "core/files/atomic_file.h"
#include "core/files/table_file.h"

#include <QFile>
#include <QFileInfo>

namespace ui {

FileDialogOptions TextFileDialog(const QString& title) {
    FileDialogOptions options;
    options.title = title;
    options.defaultSuffix = QStringLiteral("txt");
    options.filter = QStringLiteral("TXT (*.txt)|*.txt|all (*.*)|*.*");
    options.filterIndex = 1;
    return options;
}

bool ConfirmReplace(IPrompts& prompts, QWidget* parent, const QString& path) {
    if (!QFileInfo::exists(path))
        return true;
    return prompts.Question(parent, QString(), QStringLiteral("Файл существует, заменить?"),
                            PromptButtons::OkCancel) == PromptAnswer::Ok;
}

void ShowFileRefusal(IPrompts& prompts, QWidget* parent, const core::FileRefusal& refusal) {
    const QString text = QString::fromStdString(refusal.message);
    if (refusal.kind == core::FileRefusal::Kind::Conversion)
        prompts.Error(parent, AppTitle(), text);
    else
        prompts.Information(parent, AppTitle(), text);
}

void ShowOpenFailure(IPrompts& prompts, QWidget* parent, const QString& path) {
    prompts.Error(parent, AppTitle(), QStringLiteral("Cannot open file ") + path);
}

void ShowWriteFailure(IPrompts& prompts, QWidget* parent, const core::FileWriteResult& result) {
    prompts.Error(parent, AppTitle(), QString::fromStdString(result.Message()));
}

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace ui
