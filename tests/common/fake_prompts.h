// Scripted prompts for every test: answers are queued by the test, every prompt is recorded.
#pragma once

#include "core/common/prompts.h"

#include <cstdio>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace test {

/// One prompt as the program asked it.
struct Prompt {
    enum Kind { Information, Error, Question, OpenFile, SaveFile, Colour };
    Kind kind;
    std::string caption;
    std::string text; ///< message text, the dialog's title, or the colour offered ("#rrggbb")
    core::PromptButtons buttons = core::PromptButtons::Ok;
    core::FileDialogOptions file;
};

class FakePrompts final : public core::IPrompts {
public:
    std::vector<Prompt> asked;
    std::deque<core::PromptAnswer> answers;
    std::deque<std::optional<std::string>> fileNames;
    std::deque<std::optional<core::Rgb>> colours;
    /// The filter entry (1-based) each save dialog is left at; none queued: the preset one.
    std::deque<int> filters;
    /// Questions and dialogs asked with nothing queued (each answered as cancelled).
    int unanswered = 0;
    /// Runs when a prompt is asked, before it is answered (while the modal box would be open).
    std::function<void(const Prompt&)> onAsk;

    void Information(std::string_view caption, std::string_view text) override {
        Ask(Prompt::Information, caption, text);
    }
    void Error(std::string_view caption, std::string_view text) override {
        Ask(Prompt::Error, caption, text);
    }
    core::PromptAnswer Question(std::string_view caption, std::string_view text,
                                core::PromptButtons buttons) override {
        Ask(Prompt::Question, caption, text, buttons);
        return Next(answers).value_or(core::PromptAnswer::Cancel);
    }
    std::optional<std::string> OpenFileName(const core::FileDialogOptions& o) override {
        Ask(Prompt::OpenFile, {}, o.title, core::PromptButtons::Ok, o);
        return Next(fileNames).value_or(std::nullopt);
    }
    std::optional<std::string> SaveFileName(const core::FileDialogOptions& o) override {
        Ask(Prompt::SaveFile, {}, o.title, core::PromptButtons::Ok, o);
        return Next(fileNames).value_or(std::nullopt);
    }
    std::optional<core::FileChoice> SaveFileChoice(const core::FileDialogOptions& o) override {
        std::optional<std::string> name = SaveFileName(o);
        int entry = o.filterIndex;
        if (!filters.empty()) {
            entry = filters.front();
            filters.pop_front();
        }
        if (!name)
            return std::nullopt;
        return core::FileChoice{std::move(*name), entry};
    }
    std::optional<core::Rgb> ChooseColour(core::Rgb initial) override {
        char name[8];
        std::snprintf(name, sizeof name, "#%02x%02x%02x", initial.red, initial.green, initial.blue);
        Ask(Prompt::Colour, {}, name);
        return Next(colours).value_or(std::nullopt);
    }

    /// Texts of the prompts asked so far, in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Prompt& p : asked)
            texts.push_back(p.text);
        return texts;
    }
    void Clear() {
        asked.clear();
        unanswered = 0;
    }

private:
    void Ask(Prompt::Kind kind, std::string_view caption, std::string_view text,
             core::PromptButtons buttons = core::PromptButtons::Ok,
             const core::FileDialogOptions& file = {}) {
        const Prompt prompt{kind, std::string(caption), std::string(text), buttons, file};
        asked.push_back(prompt);
        if (onAsk)
            onAsk(prompt); // may ask again: not a reference into `asked`
    }
    // The next queued answer, or nullopt (counted) when the test queued none.
    template <typename T>
    std::optional<T> Next(std::deque<T>& queue) {
        if (queue.empty()) {
            ++unanswered;
            return std::nullopt;
        }
        T next = std::move(queue.front());
        queue.pop_front();
        return next;
    }
};

} // namespace test
