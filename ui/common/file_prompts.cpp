// The messages around reading the table and template files.
#include "ui/common/file_prompts.h"

#include "core/files/table_file.h"

#include <QFile>

namespace ui {

void ShowFileRefusal(core::IPrompts& prompts, const core::FileRefusal& refusal) {
    if (refusal.kind == core::FileRefusal::Kind::Conversion)
        prompts.Error(core::kAppTitle, refusal.message);
    else
        prompts.Information(core::kAppTitle, refusal.message);
}

void ShowOpenFailure(core::IPrompts& prompts, const std::string& path) {
    prompts.Error(core::kAppTitle, "Cannot open file " + path);
}

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace ui
