// The program's prompts: Qt message boxes and Qt's own (non-native) file and colour dialogs.
#pragma once

#include "ui/prompts/prompts.h"

class QFileDialog;

namespace ui {

class QtPrompts final : public IPrompts {
public:
    void Information(QWidget* parent, const QString& caption, const QString& text) override;
    void Error(QWidget* parent, const QString& caption, const QString& text) override;
    PromptAnswer Question(QWidget* parent, const QString& caption, const QString& text,
                          PromptButtons buttons) override;
    std::optional<QString> OpenFileName(QWidget* parent, const FileDialogOptions& options) override;
    std::optional<QString> SaveFileName(QWidget* parent, const FileDialogOptions& options) override;
    std::optional<QColor> ChooseColour(QWidget* parent, const QColor& initial) override;

    /// Sets title, filters, suffix, preset name and mode of `dialog` as `options` say.
    static void ConfigureFileDialog(QFileDialog& dialog, const FileDialogOptions& options,
                                    bool save);
};

} // namespace ui
