// The journal folder as a whole: the list of journals with what each holds, the clean-up of
// old ones, recovery of unfinished ones and deleting.
#pragma once

#include "core/files/atomic_file.h"
#include "core/files/table_file.h"
#include "core/fire/fire_marks.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

/// A journal that the user has saved is kept this long after its start (days).
inline constexpr int kSavedJournalKeepDays = 90;

/// One journal file of the folder as read from the disk.
struct JournalEntry {
    std::string path;      ///< the table file
    std::string name;      ///< its file name, e.g. "2026-01-31_14-05-09.txt"
    double startTime = 0;  ///< the log's start (date-time), from the name
    bool readable = false; ///< at least one line of the table file reads (ReadJournalTable)
    int records = 0;
    int skippedLines = 0;      ///< lines of the table file that do not read and are left out
    int durationSec = 0;       ///< T of the last record
    TestMarks marks;           ///< the test's marks of its .test.txt
    JournalMarks journal;      ///< the journal's state lines of its .test.txt
    bool marksDamaged = false; ///< a .test.txt is there but cannot be read
    std::string fire;          ///< the fire's name, or ""
    std::string verdict;       ///< the fire test's verdict line; "" without a fire
    /// A live program (this copy or another) is writing it now: it is neither offered, marked
    /// nor deleted.
    bool inUse = false;
    /// No closing marker: the program ended without closing the log.
    bool Unfinished() const { return !journal.closed; }
};

/// The start date-time of a journal named "YYYY-MM-DD_hh-mm-ss.txt" or
/// "YYYY-MM-DD_hh-mm-ss-N.txt"; nullopt for any other name.
std::optional<double> JournalStartTime(std::string_view fileName);

/// The part of journal bytes up to and including the last line break: a line cut short by a
/// power cut is left out, so the rest loads as a table file.
std::string_view WholeLines(std::string_view bytes);

/// Reads the journal at `path` (every line that reads, ReadJournalTable) and the marks beside it.
JournalEntry ReadJournal(const std::string& path);

/// Every journal in `dir`, newest start first (an absent folder gives none). Files whose names
/// are not journal names, and the .test.txt files, are not listed.
std::vector<JournalEntry> ListJournals(const std::string& dir);

/// The journals offered for recovery at start: unfinished, not offered yet and not being
/// written, newest first.
std::vector<JournalEntry> JournalsToOffer(const std::vector<JournalEntry>& journals);

/// Writes the journal's "offered" line into its .test.txt (created when absent; a damaged one
/// is left alone and reported). Refused (EBUSY) for a journal being written.
FileWriteResult MarkJournalOffered(const std::string& journalPath);

/// Removes every journal of `dir` that is closed, saved by the user, and started more than
/// kSavedJournalKeepDays before `now`, with its .test.txt. Saved means that the file named
/// in its marks is there and reads back to the journal's records; a saved file deleted or
/// written over since leaves the journal the only copy, so it stays. Nothing unsaved or
/// unfinished is ever removed. The paths removed.
std::vector<std::string> RemoveExpiredJournals(const std::string& dir, double now);

/// Removes a journal and its .test.txt (a missing .test.txt is no failure). Refused (EBUSY)
/// for a journal being written: its lock is held while the files are removed.
FileWriteResult DeleteJournal(const std::string& journalPath);

/// "; с 96-й записи журнал не дописан" for a journal whose rows from record 96 on did not reach
/// the disk, "" for a whole one.
std::string MissingText(const JournalMarks& journal);
/// "31.01.2026 14:05:09": the date and time a journal started.
std::string JournalStartText(double startTime);
/// "Найден журнал незавершённого испытания от 31.01.2026 14:05:09 (12 записей). Открыть?"
/// (UTF-8; the count grouped by U+00A0, the noun agreeing with it). Lines left out are told
/// inside the brackets: "(12 записей; пропущено строк: 3)", and a journal that could not be
/// written to the end says so: "(95 записей; с 96-й записи журнал не дописан)".
std::string RecoveryQuestion(const JournalEntry& journal);
/// "пропущено строк: 3" for a journal with lines left out; "" when none were.
std::string SkippedLinesText(const JournalEntry& journal);

} // namespace core
