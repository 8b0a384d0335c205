// Saving the record log before it is discarded: "Сохранить данные?", the save dialog, the
// question about replacing a file, the write, and the journal copy of a log that must go
// although the user wanted it kept.
#pragma once

#include "core/common/prompts.h"
#include "core/files/save_flow.h"
#include "core/fire/fire_marks.h"
#include "core/log/record_log.h"
#include "core/table/table_view.h"

#include <cstdint>
#include <string>

namespace core {

/// The answer of OfferSaveLog. GoOn: the log may be discarded (it was saved, or the user said
/// No). Stop: the user cancelled the operation. Failed: the log could not be saved where it
/// had to be (already reported to the user); the caller keeps the log.
enum class SaveAnswer : std::uint8_t { GoOn, Stop, Failed };

/// Whether the operation that discards the log can still be called off.
enum class LogDiscard : std::uint8_t {
    Cancellable, ///< restart, resuming recording, exit: Cancel calls it off
    Forced,      ///< the meter entered adjustment: the log goes whatever the answer
};

/// Texts of the save offer (UTF-8).
namespace save_text {
inline constexpr std::string_view kSaveData = "Сохранить данные?";
inline constexpr std::string_view kSaveTable = "Сохранить таблицу";
inline constexpr std::string_view kJournalled = "Данные сохранены в журнал:";
} // namespace save_text

/// OfferSaveLog. The rule: the log is discarded only after "No" or after a successful save.
///
/// - An empty log: GoOn, nothing asked.
/// - "Сохранить данные?" (Yes, No, Cancel; empty caption). No: GoOn, nothing written.
/// - Yes: the save dialog ("Сохранить таблицу", "txt", the TXT filter); for an existing file
///   "Файл существует, заменить?" (Yes, No). The whole log is written as a table file in the
///   row format of `view` through the atomic writer; Count becomes 0 and the answer is GoOn.
///   A failed write is reported in the general error box.
/// - Cancellable: Cancel, a cancelled dialog and a refused replace give Stop; a failed write
///   gives Failed. The log is kept in every case.
/// - Forced: whatever stopped the save (Cancel, a cancelled dialog, a refused replace, a
///   failed write), the log is written into `journalDir` (core/journal.h) and the user is
///   told the file's path once ("Данные сохранены в журнал:"); Count becomes 0, GoOn. If even
///   that write fails it is reported and the answer is Failed.
///   With `liveJournal`, the journal file that already holds every record and the marks of
///   the log, nothing is written: the user is told that file's path instead.
/// - `marks`, the fire test of the log, go beside whichever table file is written
///   ("<file>.test.txt", SaveMarksBeside). Marks that cannot be written count as a failed
///   write: the log is kept.
/// - `savedTo` receives the table file the user saved the log to ("" when none was).
///
/// `prompts` asks on the GUI thread; the caller clears its views when Count became 0.
SaveAnswer OfferSaveLog(RecordLog& log, const TableView& view, LogDiscard discard,
                        IPrompts& prompts, const std::string& journalDir,
                        const TestMarks* marks = nullptr, const std::string& liveJournal = {},
                        std::string* savedTo = nullptr);

} // namespace core
