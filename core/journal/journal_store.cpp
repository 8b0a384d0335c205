// Listing, clean-up, recovery marks and deleting of the journal folder.
#include "core/journal/journal_store.h"

#include "core/common/date_time.h"
#include "core/common/format.h"
#include "core/files/file_lock.h"
#include "core/files/sys_file.h"
#include "core/fire/fire_test.h"
#include "core/log/record_log.h"

#include <algorithm>
#include <cerrno>

namespace core {
namespace {

constexpr std::string_view kMarksSuffix = ".test.txt";

// Digits at text[at, at + n) as a number, or -1.
int Digits(std::string_view text, std::size_t at, std::size_t n) {
    if (at + n > text.size())
        return -1;
    int value = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

std::vector<std::string> FileNames(const std::string& dir) {
    std::vector<std::string> names;
    (void)sys::ListFolder(dir, names);
    return names;
}

std::string RecordsNoun(int n) {
    const int tens = n % 100, units = n % 10;
    if (units == 1 && tens != 11)
        return "запись";
    if (units >= 2 && units <= 4 && (tens < 12 || tens > 14))
        return "записи";
    return "записей";
}

// The records of a table file's whole lines, or nullopt when it cannot be read or is refused.
std::optional<std::vector<MeasurementRecord>> RecordsOfFile(const std::string& path) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes, read_limit::kTable))
        return std::nullopt;
    TableFileLoad load = ReadTableFile(WholeLines(bytes), ";", false);
    if (!load)
        return std::nullopt;
    return std::move(load.records);
}

bool SameRecords(const std::vector<MeasurementRecord>& a, const std::vector<MeasurementRecord>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const MeasurementRecord& x, const MeasurementRecord& y) {
                          return x.T == y.T && x.Time == y.Time && x.Ui == y.Ui && x.m == y.m;
                      });
}

// The file the user saved the journal's log to is still there and reads back to the same
// records: it may have been deleted since, or a later save may have written another log
// over it.
bool SavedFileHoldsJournal(const std::string& journalPath, const std::string& savedTo) {
    const std::optional<std::vector<MeasurementRecord>> journal = RecordsOfFile(journalPath);
    if (!journal)
        return false;
    const std::optional<std::vector<MeasurementRecord>> saved = RecordsOfFile(savedTo);
    return saved && SameRecords(*journal, *saved);
}

// A journal another copy of the program (or this one) is writing.
FileWriteResult Busy(const std::string& error) {
    return {false, EBUSY, error, SystemErrorText(EBUSY)};
}

} // namespace

std::optional<double> JournalStartTime(std::string_view name) {
    // "YYYY-MM-DD_hh-mm-ss" then ".txt" or "-N.txt".
    if (name.size() < 23 || !name.ends_with(".txt") || name.ends_with(kMarksSuffix))
        return std::nullopt;
    const std::string_view sep = "--_--";
    const std::size_t at[] = {4, 7, 10, 13, 16};
    for (int i = 0; i < 5; ++i)
        if (name[at[i]] != sep[i])
            return std::nullopt;
    const std::string_view rest = name.substr(19, name.size() - 19 - 4);
    if (!rest.empty() && (rest.size() < 2 || rest[0] != '-' ||
                          Digits(rest, 1, rest.size() - 1) < 2 || rest.size() > 4))
        return std::nullopt;
    DateTimeFields f;
    f.year = Digits(name, 0, 4);
    f.month = Digits(name, 5, 2);
    f.day = Digits(name, 8, 2);
    f.hour = Digits(name, 11, 2);
    f.minute = Digits(name, 14, 2);
    f.second = Digits(name, 17, 2);
    if (f.year < 1900 || f.month < 1 || f.month > 12 || f.day < 1 || f.day > 31 || f.hour < 0 ||
        f.hour > 23 || f.minute < 0 || f.minute > 59 || f.second < 0 || f.second > 59)
        return std::nullopt;
    const double start = EncodeDateTime(f);
    // A day past the month's end (31 April) would land in the next month.
    const DateTimeFields back = DecodeDateTime(start);
    if (back.day != f.day || back.month != f.month)
        return std::nullopt;
    return start;
}

std::string_view WholeLines(std::string_view bytes) {
    const std::size_t lf = bytes.find_last_of('\n');
    return lf == std::string_view::npos ? std::string_view{} : bytes.substr(0, lf + 1);
}

JournalEntry ReadJournal(const std::string& path) {
    JournalEntry entry;
    entry.path = path;
    const std::size_t slash = path.find_last_of('/');
    entry.name = slash == std::string::npos ? path : path.substr(slash + 1);
    entry.startTime = JournalStartTime(entry.name).value_or(0);
    const MarksBeside beside = LoadMarksBeside(path);
    if (beside.status == MarksBeside::Status::Loaded) {
        entry.marks = *beside.load.marks;
        entry.journal = beside.load.journal;
    }
    entry.marksDamaged = beside.status == MarksBeside::Status::Unreadable ||
                         beside.status == MarksBeside::Status::Damaged;
    entry.inUse = FileInUse(path);
    std::string bytes;
    if (!ReadWholeFile(path, bytes, read_limit::kTable))
        return entry;
    const TableFileLoad load = ReadJournalTable(bytes, ";", false);
    entry.skippedLines = load.skippedLines;
    if (!load)
        return entry;
    entry.readable = true;
    entry.records = static_cast<int>(load.records.size());
    entry.durationSec = load.records.back().T;
    FireTest test;
    test.Load(entry.marks);
    test.Update(load.records);
    if (const TestFireEnvelope* fire = test.Fire()) {
        entry.fire = fire->name;
        entry.verdict = test.VerdictLine();
    }
    return entry;
}

std::vector<JournalEntry> ListJournals(const std::string& dir) {
    std::vector<JournalEntry> journals;
    for (const std::string& name : FileNames(dir))
        if (JournalStartTime(name))
            journals.push_back(ReadJournal(dir + "/" + name));
    std::sort(journals.begin(), journals.end(), [](const JournalEntry& a, const JournalEntry& b) {
        return a.startTime != b.startTime ? a.startTime > b.startTime : a.name > b.name;
    });
    return journals;
}

std::vector<JournalEntry> JournalsToOffer(const std::vector<JournalEntry>& journals) {
    std::vector<JournalEntry> offer;
    for (const JournalEntry& j : journals)
        if (j.Unfinished() && !j.journal.offered && !j.marksDamaged && j.readable && !j.inUse)
            offer.push_back(j);
    return offer;
}

FileWriteResult MarkJournalOffered(const std::string& journalPath) {
    // Held while the marks are written: its writer would replace them.
    const FileLock lock(journalPath);
    if (lock.InUse())
        return Busy("Cannot create file " + MarksPathFor(journalPath));
    const MarksBeside beside = LoadMarksBeside(journalPath);
    if (beside.status == MarksBeside::Status::Unreadable ||
        beside.status == MarksBeside::Status::Damaged)
        return {false, 0, "Cannot read file " + beside.path, beside.load.error};
    TestMarks marks;
    JournalMarks journal;
    if (beside.status == MarksBeside::Status::Loaded) {
        marks = *beside.load.marks;
        journal = beside.load.journal;
    }
    journal.offered = true;
    return WriteFileAtomically(beside.path, FormatMarksFile(marks, journal));
}

std::vector<std::string> RemoveExpiredJournals(const std::string& dir, double now) {
    std::vector<std::string> removed;
    for (const std::string& name : FileNames(dir)) {
        const std::optional<double> start = JournalStartTime(name);
        if (!start || DurationMs(now - *start) <= kSavedJournalKeepDays * 86'400'000LL)
            continue;
        const std::string path = dir + "/" + name;
        const MarksBeside beside = LoadMarksBeside(path);
        if (beside.status != MarksBeside::Status::Loaded || !beside.load.journal.closed ||
            beside.load.journal.savedTo.empty() ||
            !SavedFileHoldsJournal(path, beside.load.journal.savedTo))
            continue;
        if (DeleteJournal(path))
            removed.push_back(path);
    }
    return removed;
}

FileWriteResult DeleteJournal(const std::string& journalPath) {
    const FileLock lock(journalPath);
    if (lock.InUse())
        return Busy("Cannot delete file " + journalPath);
    // The table file first: a journal left without its marks would look unfinished, while
    // marks left without their journal are never listed.
    const FileWriteResult table = RemoveFileIfPresent(journalPath);
    if (!table)
        return table;
    return RemoveFileIfPresent(journalPath + std::string(kMarksSuffix));
}

std::string MissingText(const JournalMarks& journal) {
    if (!journal.missingFrom)
        return {};
    return "; с " + FormatDecimal(*journal.missingFrom, 18, 0) + "-й записи журнал не дописан";
}

std::string JournalStartText(double startTime) {
    return FormatDateAndTime(startTime);
}

std::string RecoveryQuestion(const JournalEntry& journal) {
    return "Найден журнал незавершённого испытания от " + JournalStartText(journal.startTime) +
           " (" + FormatDecimal(journal.records, 18, 0) + " " + RecordsNoun(journal.records) +
           (journal.skippedLines > 0 ? "; " + SkippedLinesText(journal) : "") +
           MissingText(journal.journal) + "). Открыть?";
}

std::string SkippedLinesText(const JournalEntry& journal) {
    if (journal.skippedLines <= 0)
        return {};
    return "пропущено строк: " + FormatDecimal(journal.skippedLines, 18, 0);
}

} // namespace core
