// The save flow over the prompts interface.
#include "core/files/save_flow.h"

#include "core/files/atomic_file.h"
#include "core/files/sys_file.h"
#include "core/fire/fire_marks.h"

namespace core {

FileDialogOptions TextFileDialog(std::string_view title) {
    FileDialogOptions options;
    options.title = title;
    options.defaultSuffix = "txt";
    options.filter = save_text::kTextFilter;
    options.filterIndex = 1;
    return options;
}

std::optional<std::string> AskSavePath(IPrompts& prompts, const FileDialogOptions& dialog,
                                       PromptButtons replaceButtons) {
    std::optional<FileChoice> choice = AskSaveChoice(prompts, dialog, replaceButtons);
    if (!choice)
        return std::nullopt;
    return std::move(choice->path);
}

std::optional<FileChoice> AskSaveChoice(IPrompts& prompts, const FileDialogOptions& dialog,
                                        PromptButtons replaceButtons) {
    std::optional<FileChoice> choice = prompts.SaveFileChoice(dialog);
    if (!choice || !sys::Exists(choice->path))
        return choice;
    const PromptAnswer answer = prompts.Question({}, save_text::kReplace, replaceButtons);
    if (answer != PromptAnswer::Ok && answer != PromptAnswer::Yes)
        return std::nullopt;
    return choice;
}

void ShowFileFailure(IPrompts& prompts, const FileWriteResult& result) {
    prompts.Error(kAppTitle, result.Message());
}

bool WriteSavedFile(IPrompts& prompts, const std::string& path, std::string_view bytes,
                    const TestMarks* marks) {
    FileWriteResult written = WriteFileAtomically(path, bytes);
    if (written && marks)
        written = SaveMarksBeside(path, *marks);
    if (!written)
        ShowFileFailure(prompts, written);
    return written.ok;
}

SaveResult SaveFile(IPrompts& prompts, const SaveRequest& request,
                    const std::function<SaveContent()>& content) {
    return SaveFileByFilter(prompts, request, [&content](int) { return content(); });
}

SaveResult SaveFileByFilter(IPrompts& prompts, const SaveRequest& request,
                            const std::function<SaveContent(int filterIndex)>& content) {
    SaveResult result;
    std::optional<FileChoice> choice =
        AskSaveChoice(prompts, request.dialog, request.replaceButtons);
    if (!choice)
        return result;
    result.path = std::move(choice->path);
    result.filterIndex = choice->filterIndex;
    const SaveContent made = content(result.filterIndex);
    if (!made.failure.empty()) {
        ShowFileFailure(prompts, {false, 0, "Cannot create file " + result.path, made.failure});
        result.outcome = SaveOutcome::Failed;
        return result;
    }
    result.outcome = WriteSavedFile(prompts, result.path, made.bytes, request.marks)
                         ? SaveOutcome::Saved
                         : SaveOutcome::Failed;
    return result;
}

} // namespace core
