// The save-before-discard flow over the prompts interface.
#include "core/files/save_offer.h"

#include "core/files/atomic_file.h"
#include "core/files/sys_file.h"
#include "core/journal/journal.h"
#include "core/table/table_row.h"

#include <optional>

namespace core {
namespace {

bool Exists(const std::string& path) {
    sys::FileInfo st;
    return sys::Stat(path, st);
}

void ReportWriteError(IPrompts& prompts, const FileWriteResult& result) {
    prompts.Error(kAppTitle, result.Message());
}

// The marks beside a table file just written; false (after the error box) when they could
// not be written.
bool WriteMarks(IPrompts& prompts, const std::string& tablePath, const TestMarks* marks) {
    if (!marks)
        return true;
    const FileWriteResult written = SaveMarksBeside(tablePath, *marks);
    if (!written)
        ReportWriteError(prompts, written);
    return written.ok;
}

// What the user's own save came to.
enum class UserSave : std::uint8_t { Saved, Refused, Failed };

UserSave SaveWhereTheUserChooses(const RecordLog& log, const TableView& view, IPrompts& prompts,
                                 const TestMarks* marks, std::string* savedTo) {
    FileDialogOptions dialog;
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
    if (!WriteMarks(prompts, *path, marks))
        return UserSave::Failed;
    if (savedTo)
        *savedTo = *path;
    return UserSave::Saved;
}

void TellJournalled(IPrompts& prompts, const std::string& path) {
    prompts.Information(kAppTitle, std::string(save_text::kJournalled) + "\n" + path);
}

SaveAnswer SaveToJournal(RecordLog& log, const TableView& view, IPrompts& prompts,
                         const std::string& journalDir, const TestMarks* marks) {
    const JournalWrite written = WriteLogToJournal(log, view, journalDir);
    if (!written) {
        ReportWriteError(prompts, written.result);
        return SaveAnswer::Failed;
    }
    if (!WriteMarks(prompts, written.path, marks))
        return SaveAnswer::Failed;
    log.SetCount(0);
    TellJournalled(prompts, written.path);
    return SaveAnswer::GoOn;
}

} // namespace

SaveAnswer OfferSaveLog(RecordLog& log, const TableView& view, LogDiscard discard,
                        IPrompts& prompts, const std::string& journalDir, const TestMarks* marks,
                        const std::string& liveJournal, std::string* savedTo) {
    if (savedTo)
        savedTo->clear();
    if (log.Count() == 0)
        return SaveAnswer::GoOn;
    const PromptAnswer answer =
        prompts.Question({}, save_text::kSaveData, PromptButtons::YesNoCancel);
    if (answer == PromptAnswer::No)
        return SaveAnswer::GoOn;
    UserSave save = UserSave::Refused;
    if (answer == PromptAnswer::Yes)
        save = SaveWhereTheUserChooses(log, view, prompts, marks, savedTo);
    if (save == UserSave::Saved) {
        log.SetCount(0);
        return SaveAnswer::GoOn;
    }
    if (discard == LogDiscard::Forced && !liveJournal.empty()) {
        // Every record is in the journal already: a second copy would only split the log.
        log.SetCount(0);
        TellJournalled(prompts, liveJournal);
        return SaveAnswer::GoOn;
    }
    if (discard == LogDiscard::Forced)
        return SaveToJournal(log, view, prompts, journalDir, marks);
    return save == UserSave::Failed ? SaveAnswer::Failed : SaveAnswer::Stop;
}

} // namespace core
