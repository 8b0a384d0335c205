// The dialogs and messages around the table and template files.
#include "ui/common/file_prompts.h"

#include "core/files/atomic_file.h"
#include "core/files/table_file.h"

#include <QFile>
#include <QFileInfo>

namespace ui {

core::FileDialogOptions TextFileDialog(std::string_view title) {
    core::FileDialogOptions options;
    options.title = title;
    options.defaultSuffix = "txt";
    options.filter = "TXT (*.txt)|*.txt|all (*.*)|*.*";
    options.filterIndex = 1;
    return options;
}

bool ConfirmReplace(core::IPrompts& prompts, const std::string& path) {
    if (!QFileInfo::exists(QFile::decodeName(path.c_str())))
        return true;
    return prompts.Question({}, "Файл существует, заменить?", core::PromptButtons::OkCancel) ==
           core::PromptAnswer::Ok;
}

void ShowFileRefusal(core::IPrompts& prompts, const core::FileRefusal& refusal) {
    if (refusal.kind == core::FileRefusal::Kind::Conversion)
        prompts.Error(core::kAppTitle, refusal.message);
    else
        prompts.Information(core::kAppTitle, refusal.message);
}

void ShowOpenFailure(core::IPrompts& prompts, const std::string& path) {
    prompts.Error(core::kAppTitle, "Cannot open file " + path);
}

void ShowWriteFailure(core::IPrompts& prompts, const core::FileWriteResult& result) {
    prompts.Error(core::kAppTitle, result.Message());
}

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace ui
