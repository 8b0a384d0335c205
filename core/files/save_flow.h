// Saving a file the user names: the save dialog, "Файл существует, заменить?", the atomic
// write, the fire test's marks beside a table file, and the one message of a failed write.
// Every window that saves a file goes through here.
#pragma once

#include "core/common/prompts.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace core {

struct FileWriteResult;
struct TestMarks;

/// Texts of the save questions (UTF-8).
namespace save_text {
inline constexpr std::string_view kReplace = "Файл существует, заменить?";
inline constexpr std::string_view kTextFilter = "TXT (*.txt)|*.txt|all (*.*)|*.*";
} // namespace save_text

/// The open or save dialog of a text file: `title`, default extension "txt", the filter
/// "TXT (*.txt)|*.txt|all (*.*)|*.*" with its first entry selected, no preset name.
FileDialogOptions TextFileDialog(std::string_view title);

/// A file's content made after the questions, so that it holds what came while the dialogs
/// were open. `failure`, when not empty, says why it could not be made; nothing is written then.
struct SaveContent {
    std::string bytes;
    std::string failure;
};

/// One file the user saves.
struct SaveRequest {
    FileDialogOptions dialog;
    /// The buttons of "Файл существует, заменить?": OkCancel or YesNo. Only OK or Yes replaces.
    PromptButtons replaceButtons = PromptButtons::OkCancel;
    /// The fire test of a table file: its marks go beside the file (SaveMarksBeside).
    const TestMarks* marks = nullptr;
};

/// What became of a save.
enum class SaveOutcome : std::uint8_t {
    Saved,
    Cancelled, ///< the dialog was cancelled or the replace refused: nothing was written
    Failed,    ///< the write failed and was reported; an earlier file is as it was
};

struct SaveResult {
    SaveOutcome outcome = SaveOutcome::Cancelled;
    std::string path;    ///< the file written or tried; empty when the user stopped at a question
    int filterIndex = 0; ///< the dialog's filter entry the file was chosen under (1-based)
    explicit operator bool() const { return outcome == SaveOutcome::Saved; }
};

/// The file to save to: the save dialog, then, for a file that exists, the replace question
/// (empty caption, `replaceButtons`). nullopt when the user stopped at either.
std::optional<std::string> AskSavePath(IPrompts& prompts, const FileDialogOptions& dialog,
                                       PromptButtons replaceButtons);

/// AskSavePath that also tells the filter entry the file was chosen under.
std::optional<FileChoice> AskSaveChoice(IPrompts& prompts, const FileDialogOptions& dialog,
                                        PromptButtons replaceButtons);

/// Writes `bytes` as the whole of `path` through the atomic writer and then, with `marks`, the
/// marks beside it. A failure of either is told once in the application's error box
/// ("Cannot create file <path>" and the reason below); false then.
bool WriteSavedFile(IPrompts& prompts, const std::string& path, std::string_view bytes,
                    const TestMarks* marks = nullptr);

/// The whole save: AskSavePath, then `content` (called only when the user chose a file), then
/// WriteSavedFile.
SaveResult SaveFile(IPrompts& prompts, const SaveRequest& request,
                    const std::function<SaveContent()>& content);
/// SaveFile whose content follows the filter entry (1-based) the file was chosen under.
SaveResult SaveFileByFilter(IPrompts& prompts, const SaveRequest& request,
                            const std::function<SaveContent(int filterIndex)>& content);

/// A failed write, creation or removal of a file: its Message() in the application's error box.
void ShowFileFailure(IPrompts& prompts, const FileWriteResult& result);

} // namespace core
