// The save-before-discard flow over the prompts interface.
#include "core/save_offer.h"

#include "core/atomic_file.h"
#include "core/journal.h"
#include "core/table_row.h"

#include <optional>
#include <sys/stat.h>

namespace core {
namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

void ReportWriteError(IPrompts& prompts, const FileWriteResult& result) {
    prompts.Error(kAppTitle, result.error + ".\n" + result.reason);
}

// What the user's own save came to.
enum class UserSave : std::uint8_t { Saved, Refused, Failed };

UserSave SaveWhereTheUserChooses(const RecordLog& log, const TableView& view, IPrompts& prompts) {
    SaveDialogOptions dialog;
    dialog.title = save_text::kSaveTable;
    dialog.defaultSuffix = "txt";
    dialog.filter = save_text::kFilter;
    const std::optional<std::string> path = prompts.SaveFileName(dialog);
    if (!path)
        return UserSave::Refused;
    if (Exists(*path) &&
        prompts.Question({}, save_text::kReplace, PromptButtons::YesNo) != PromptAnswer::Yes)
        return UserSave::Refused;
    // Built just before the write, so records added while a dialog was open are included.
    const FileWriteResult written =
        WriteFileAtomically(*path, FormatLogFile(log, view.Delim, view.IsUnit));
    if (!written) {
        ReportWriteError(prompts, written);
        return UserSave::Failed;
    }
    return UserSave::Saved;
}

SaveAnswer SaveToJournal(RecordLog& log, const TableView& view, IPrompts& prompts,
                         const std::string& journalDir) {
    const JournalWrite written = WriteLogToJournal(log, view, journalDir);
    if (!written) {
        ReportWriteError(prompts, written.result);
        return SaveAnswer::Failed;
    }
    log.SetCount(0);
    prompts.Information(kAppTitle, std::string(save_text::kJournalled) + "\n" + written.path);
    return SaveAnswer::GoOn;
}

} // namespace

SaveAnswer OfferSaveLog(RecordLog& log, const TableView& view, LogDiscard discard,
                        IPrompts& prompts, const std::string& journalDir) {
    if (log.Count() == 0)
        return SaveAnswer::GoOn;
    const PromptAnswer answer =
        prompts.Question({}, save_text::kSaveData, PromptButtons::YesNoCancel);
    if (answer == PromptAnswer::No)
        return SaveAnswer::GoOn;
    UserSave save = UserSave::Refused;
    if (answer == PromptAnswer::Yes)
        save = SaveWhereTheUserChooses(log, view, prompts);
    if (save == UserSave::Saved) {
        log.SetCount(0);
        return SaveAnswer::GoOn;
    }
    if (discard == LogDiscard::Forced)
        return SaveToJournal(log, view, prompts, journalDir);
    return save == UserSave::Failed ? SaveAnswer::Failed : SaveAnswer::Stop;
}

} // namespace core
