// Scripted prompts for GUI tests: answers are queued by the test, every question is recorded.
#pragma once

#include "ui/prompts/prompts.h"

#include <QList>
#include <QQueue>
#include <functional>
#include <optional>

namespace test {

/// One prompt as the program asked it.
struct Prompt {
    enum Kind { Information, Error, Question, OpenFile, SaveFile, Colour };
    Kind kind;
    QString caption;
    QString text; ///< message text, or the dialog's title
    ui::PromptButtons buttons = ui::PromptButtons::Ok;
    ui::FileDialogOptions file;
};

class FakePrompts final : public ui::IPrompts {
public:
    QList<Prompt> asked;
    QQueue<ui::PromptAnswer> answers;
    QQueue<std::optional<QString>> fileNames;
    QQueue<std::optional<QColor>> colours;
    /// Questions and dialogs asked with nothing queued (each answered as cancelled).
    int unanswered = 0;
    /// Runs when a prompt is asked, before it is answered (while the modal box would be open).
    std::function<void(const Prompt&)> onAsk;

    void Information(QWidget*, const QString& caption, const QString& text) override {
        Ask({Prompt::Information, caption, text, ui::PromptButtons::Ok, {}});
    }
    void Error(QWidget*, const QString& caption, const QString& text) override {
        Ask({Prompt::Error, caption, text, ui::PromptButtons::Ok, {}});
    }
    ui::PromptAnswer Question(QWidget*, const QString& caption, const QString& text,
                              ui::PromptButtons buttons) override {
        Ask({Prompt::Question, caption, text, buttons, {}});
        if (answers.isEmpty()) {
            ++unanswered;
            return ui::PromptAnswer::Cancel;
        }
        return answers.dequeue();
    }
    std::optional<QString> OpenFileName(QWidget*, const ui::FileDialogOptions& o) override {
        Ask({Prompt::OpenFile, {}, o.title, ui::PromptButtons::Ok, o});
        return NextFile();
    }
    std::optional<QString> SaveFileName(QWidget*, const ui::FileDialogOptions& o) override {
        Ask({Prompt::SaveFile, {}, o.title, ui::PromptButtons::Ok, o});
        return NextFile();
    }
    std::optional<QColor> ChooseColour(QWidget*, const QColor& initial) override {
        Ask({Prompt::Colour, {}, initial.name(), ui::PromptButtons::Ok, {}});
        if (colours.isEmpty()) {
            ++unanswered;
            return std::nullopt;
        }
        return colours.dequeue();
    }

    /// Texts of the prompts asked so far, in order.
    QStringList Texts() const {
        QStringList texts;
        for (const Prompt& p : asked)
            texts << p.text;
        return texts;
    }
    void Clear() {
        asked.clear();
        unanswered = 0;
    }

private:
    void Ask(const Prompt& prompt) {
        asked.append(prompt);
        if (onAsk)
            onAsk(prompt);
    }
    std::optional<QString> NextFile() {
        if (fileNames.isEmpty()) {
            ++unanswered;
            return std::nullopt;
        }
        return fileNames.dequeue();
    }
};

} // namespace test
