// The save-before-discard flow over the prompts interface.
#include "core/files/save_offer.h"

#include "core/files/atomic_file.h"
#include "core/journal/journal.h"
#include "core/table/table_row.h"

#include <optional>

namespace core {
namespace {

// What the user's own save came to.
enum class UserSave : std::uint8_t { Saved, Refused, Failed };

UserSave SaveWhereTheUserChooses(const RecordLog& log, const TableView& view, IPrompts& prompts,
                                 const TestMarks* marks, std::string* savedTo) {
    const std::optional<std::string> path =
        AskSavePath(prompts, TextFileDialog(save_text::kSaveTable), PromptButtons::YesNo);
    if (!path)
        return UserSave::Refused;
    // Built just before the write, so records added while a dialog was open are included.
    if (!WriteSavedFile(prompts, *path, FormatLogFile(log, view.Delim, view.IsUnit), marks))
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
    FileWriteResult result = written.result;
    if (result && marks)
        result = SaveMarksBeside(written.path, *marks);
    if (!result) {
        ShowFileFailure(prompts, result);
        return SaveAnswer::Failed;
    }
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
