// Scripted prompts for the Qt-free flows: answers queued by the test, every prompt recorded.
#pragma once

#include "core/common/prompts.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace test {

class FakeCorePrompts final : public core::IPrompts {
public:
    enum class Kind { Information, Error, Question, SaveFile };
    struct Asked {
        Kind kind;
        std::string caption;
        std::string text; ///< message text, or the dialog's title
        core::PromptButtons buttons = core::PromptButtons::Ok;
        core::SaveDialogOptions dialog;
    };

    std::deque<core::PromptAnswer> answers;           ///< empty: Cancel
    std::deque<std::optional<std::string>> fileNames; ///< empty: the dialog is cancelled
    std::function<void()> duringSaveDialog;           ///< runs inside SaveFileName
    std::vector<Asked> asked;

    void Information(std::string_view caption, std::string_view text) override {
        asked.push_back({Kind::Information,
                         std::string(caption),
                         std::string(text),
                         core::PromptButtons::Ok,
                         {}});
    }
    void Error(std::string_view caption, std::string_view text) override {
        asked.push_back(
            {Kind::Error, std::string(caption), std::string(text), core::PromptButtons::Ok, {}});
    }
    core::PromptAnswer Question(std::string_view caption, std::string_view text,
                                core::PromptButtons buttons) override {
        asked.push_back({Kind::Question, std::string(caption), std::string(text), buttons, {}});
        if (answers.empty())
            return core::PromptAnswer::Cancel;
        const core::PromptAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> SaveFileName(const core::SaveDialogOptions& dialog) override {
        asked.push_back({Kind::SaveFile, {}, dialog.title, core::PromptButtons::Ok, dialog});
        if (duringSaveDialog)
            duringSaveDialog();
        if (fileNames.empty())
            return std::nullopt;
        std::optional<std::string> name = fileNames.front();
        fileNames.pop_front();
        return name;
    }

    /// The texts asked so far, in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Asked& a : asked)
            texts.push_back(a.text);
        return texts;
    }
};

} // namespace test
