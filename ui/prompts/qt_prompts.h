// The program's prompts: Qt message boxes and Qt's own (non-native) file and colour dialogs.
#pragma once

#include "core/common/prompts.h"

#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

namespace ui {

/// core::IPrompts with modal Qt boxes. Each box is placed over the active modal dialog, or
/// else over the active window (none: a top-level box).
class QtPrompts final : public core::IPrompts {
public:
    void Information(std::string_view caption, std::string_view text) override;
    void Error(std::string_view caption, std::string_view text) override;
    core::PromptAnswer Question(std::string_view caption, std::string_view text,
                                core::PromptButtons buttons) override;
    std::optional<std::string> OpenFileName(const core::FileDialogOptions& options) override;
    std::optional<std::string> SaveFileName(const core::FileDialogOptions& options) override;
    std::optional<core::FileChoice> SaveFileChoice(const core::FileDialogOptions& options) override;
    std::optional<core::Rgb> ChooseColour(core::Rgb initial) override;

    /// Sets title, filters, suffix, preset name and mode of `dialog` as `options` say.
    static void ConfigureFileDialog(QFileDialog& dialog, const core::FileDialogOptions& options,
                                    bool save);

private:
    static QWidget* Parent();
};

/// Qt name filters from a "description|patterns|..." filter; a description without its
/// patterns in parentheses gets them appended, patterns separated by ";" become spaces.
QStringList QtNameFilters(const QString& filter);

/// The extension of a name filter's first pattern ("PNG (*.png)": "png"), or `fallback` when
/// it has none ("all (*.*)").
QString FilterSuffix(const QString& nameFilter, const QString& fallback);

} // namespace ui
