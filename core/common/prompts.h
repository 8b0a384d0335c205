// The questions and notices a Qt-free flow puts to the user, as one small interface: the
// windows answer it with message boxes and file dialogs, tests from a script.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace core {

/// "Monitor VELS5": the caption of the program's general error box.
inline constexpr std::string_view kAppTitle = "Monitor VELS5";

enum class PromptButtons : std::uint8_t { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptAnswer : std::uint8_t { Ok, Cancel, Yes, No };

/// What a save dialog shows. Texts are UTF-8.
struct SaveDialogOptions {
    std::string title;
    std::string defaultSuffix; ///< appended to a name typed without extension, e.g. "txt"
    /// Pairs of description and patterns separated by "|", e.g.
    /// "TXT (*.txt)|*.txt|all (*.*)|*.*".
    std::string filter;
    std::string fileName; ///< preset file name, usually empty
};

/// Modal questions and notices, asked on the GUI thread. Texts and paths are UTF-8.
class IPrompts {
public:
    virtual ~IPrompts() = default;
    /// A notice with an OK button and the information icon.
    virtual void Information(std::string_view caption, std::string_view text) = 0;
    /// An error with an OK button and the stop icon.
    virtual void Error(std::string_view caption, std::string_view text) = 0;
    /// A question; the answer is one of the offered buttons. Closing the box counts as Cancel
    /// (or No when there is no Cancel button).
    virtual PromptAnswer Question(std::string_view caption, std::string_view text,
                                  PromptButtons buttons) = 0;
    /// The chosen file name (existing or not; the caller asks about replacing), or nullopt
    /// when cancelled.
    virtual std::optional<std::string> SaveFileName(const SaveDialogOptions& dialog) = 0;
};

} // namespace core
