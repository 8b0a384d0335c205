// The Qt-free prompts passed on to the program's prompts, with UTF-8 texts as QStrings.
#include "ui/prompts/core_prompts.h"

namespace ui {
namespace {

QString Text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace

void CorePrompts::Information(std::string_view caption, std::string_view text) {
    m_prompts.Information(m_parent, Text(caption), Text(text));
}

void CorePrompts::Error(std::string_view caption, std::string_view text) {
    m_prompts.Error(m_parent, Text(caption), Text(text));
}

core::PromptAnswer CorePrompts::Question(std::string_view caption, std::string_view text,
                                         core::PromptButtons buttons) {
    return m_prompts.Question(m_parent, Text(caption), Text(text), buttons);
}

std::optional<std::string> CorePrompts::SaveFileName(const core::SaveDialogOptions& dialog) {
    FileDialogOptions options;
    options.title = Text(dialog.title);
    options.defaultSuffix = Text(dialog.defaultSuffix);
    options.filter = Text(dialog.filter);
    options.fileName = Text(dialog.fileName);
    const std::optional<QString> path = m_prompts.SaveFileName(m_parent, options);
    if (!path)
        return std::nullopt;
    return path->toStdString();
}

} // namespace ui
