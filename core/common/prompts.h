// The questions, notices and dialogs the program puts to the user, as one small interface: the
// program answers it with message boxes and file and colour dialogs, tests from a script.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace core {

/// "Monitor VELS5": the caption of the program's general error box.
inline constexpr std::string_view kAppTitle = "Monitor VELS5";

enum class PromptButtons : std::uint8_t { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptAnswer : std::uint8_t { Ok, Cancel, Yes, No };

/// What an open or save dialog shows. Texts are UTF-8.
struct FileDialogOptions {
    std::string title;
    std::string defaultSuffix; ///< appended to a name typed without extension, e.g. "txt"
    /// Pairs of description and patterns separated by "|", e.g.
    /// "TXT (*.txt)|*.txt|all (*.*)|*.*".
    std::string filter;
    std::string fileName; ///< preset file name, usually empty
    int filterIndex = 1;  ///< 1-based entry of `filter` selected at first
};

/// A file chosen in a save dialog and the entry of its filter it was chosen under (1-based).
struct FileChoice {
    std::string path;
    int filterIndex = 1;
};

/// A colour as the colour dialog offers it, 0..255 per channel.
struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

/// Every question the program asks the user. All calls are modal and made on the GUI thread;
/// the implementation places its box over the window that is active. Texts and paths are
/// UTF-8.
class IPrompts {
public:
    virtual ~IPrompts() = default;
    /// A notice or refusal with an OK button and the information icon.
    virtual void Information(std::string_view caption, std::string_view text) = 0;
    /// An error with an OK button and the stop icon.
    virtual void Error(std::string_view caption, std::string_view text) = 0;
    /// A question; the answer is one of the offered buttons. Closing the box counts as Cancel
    /// (or No when there is no Cancel button).
    virtual PromptAnswer Question(std::string_view caption, std::string_view text,
                                  PromptButtons buttons) = 0;
    /// The chosen existing file, or nullopt when cancelled.
    virtual std::optional<std::string> OpenFileName(const FileDialogOptions& dialog) = 0;
    /// The chosen file name (existing or not; the caller asks about replacing), or nullopt
    /// when cancelled.
    virtual std::optional<std::string> SaveFileName(const FileDialogOptions& dialog) = 0;
    /// SaveFileName that also tells the filter entry the dialog was left at, for a caller whose
    /// file format follows the filter. By default the entry preset in `dialog`.
    virtual std::optional<FileChoice> SaveFileChoice(const FileDialogOptions& dialog) {
        std::optional<std::string> path = SaveFileName(dialog);
        if (!path)
            return std::nullopt;
        return FileChoice{std::move(*path), dialog.filterIndex};
    }
    /// The chosen colour, starting from `initial`, or nullopt when cancelled.
    virtual std::optional<Rgb> ChooseColour(Rgb initial) = 0;
};

} // namespace core
