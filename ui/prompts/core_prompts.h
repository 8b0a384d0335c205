// The prompts of the Qt-free flows (core::IPrompts) answered by the program's prompts: the
// message boxes and dialogs of QtPrompts in the program, the scripted answers in tests.
#pragma once

#include "core/common/prompts.h"
#include "ui/prompts/prompts.h"

namespace ui {

class CorePrompts final : public core::IPrompts {
public:
    /// `prompts` asks with `parent` as the dialogs' parent; both must outlive this object.
    CorePrompts(ui::IPrompts& prompts, QWidget* parent) : m_prompts(prompts), m_parent(parent) {}

    void Information(std::string_view caption, std::string_view text) override;
    void Error(std::string_view caption, std::string_view text) override;
    core::PromptAnswer Question(std::string_view caption, std::string_view text,
                                core::PromptButtons buttons) override;
    std::optional<std::string> SaveFileName(const core::SaveDialogOptions& dialog) override;

private:
    ui::IPrompts& m_prompts;
    QWidget* m_parent;
};

} // namespace ui
