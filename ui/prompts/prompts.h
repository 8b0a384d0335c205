// Message boxes and file/colour dialogs as one small interface, so that windows ask through
// it and tests answer from a script instead of a modal dialog.
#pragma once

#include "core/common/prompts.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace ui {

using PromptButtons = core::PromptButtons;
using PromptAnswer = core::PromptAnswer;

/// What an open or save dialog shows.
struct FileDialogOptions {
    QString title;
    QString defaultSuffix; ///< appended to a name typed without extension, e.g. "txt"
    /// Pairs of description and patterns separated by "|", e.g.
    /// "TXT (*.txt)|*.txt|all (*.*)|*.*".
    QString filter;
    QString fileName;    ///< preset file name, usually empty
    int filterIndex = 1; ///< 1-based entry of `filter` selected at first
};

/// Every question the program asks the user. All calls are modal and made on the GUI thread.
class IPrompts {
public:
    virtual ~IPrompts() = default;
    /// A notice or refusal with an OK button and the information icon.
    virtual void Information(QWidget* parent, const QString& caption, const QString& text) = 0;
    /// An error with an OK button and the stop icon.
    virtual void Error(QWidget* parent, const QString& caption, const QString& text) = 0;
    /// A question; the answer is one of the offered buttons. Closing the box counts as Cancel
    /// (or No when there is no Cancel button).
    virtual PromptAnswer Question(QWidget* parent, const QString& caption, const QString& text,
                                  PromptButtons buttons) = 0;
    /// The chosen existing file, or nullopt when cancelled.
    virtual std::optional<QString> OpenFileName(QWidget* parent,
                                                const FileDialogOptions& options) = 0;
    /// The chosen file name (existing or not; the caller asks about replacing), or nullopt.
    virtual std::optional<QString> SaveFileName(QWidget* parent,
                                                const FileDialogOptions& options) = 0;
    /// The chosen colour, or nullopt when cancelled.
    virtual std::optional<QColor> ChooseColour(QWidget* parent, const QColor& initial) = 0;
};

/// The application title "Monitor VELS5": caption of the program's general error box.
QString AppTitle();

/// Qt name filters from a "description|patterns|..." filter; a description without its
/// patterns in parentheses gets them appended, patterns separated by ";" become spaces.
QStringList QtNameFilters(const QString& filter);

} // namespace ui
