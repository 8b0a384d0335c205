// The marks of a fire test (fire type, fire start, detector alarms) and their file beside a
// table file, "<table>.test.txt".
#pragma once

#include "core/files/atomic_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

/// A detector under test and its alarm, if it has alarmed.
struct DetectorMark {
    std::string name;             ///< e.g. "И1", UTF-8, never empty
    std::optional<double> alarmT; ///< log seconds, 0,1 s resolution
    float thresholdDbPerM = 0;    ///< m at the alarm: the response threshold
    bool operator==(const DetectorMark&) const = default;
};

/// Records that repeat the one before them because no frame came in their intervals while
/// the link was failing (before it was declared lost): not measured. By their T, inclusive.
struct CopiedRecords {
    int firstT = 0;
    int lastT = 0;
    bool operator==(const CopiedRecords&) const = default;
};

/// A break of the link while the log was recorded: from the last record before it to the
/// first after it, by their T. Nothing was measured in between: no record lies inside, and
/// the envelope check knows nothing of what happened there.
struct LinkGap {
    int fromT = 0;
    int toT = 0;
    bool operator==(const LinkGap&) const = default;
};

/// Everything a fire test adds to a log. Times are log seconds (the records' T scale).
struct TestMarks {
    int fireId = 0;                   ///< overlay identifier 1-9, 11, 12; 0 none chosen
    std::optional<double> fireStartT; ///< the fire start, log seconds
    std::vector<DetectorMark> detectors;
    /// Runs of copied records, in the order of T.
    std::vector<CopiedRecords> copied;
    /// Breaks of the link, in the order of T.
    std::vector<LinkGap> gaps;
    /// The distance between the blocks (metres) and the recording period (seconds) of the
    /// log, when known: a table file does not carry them, its report needs them.
    std::optional<float> distanceM;
    std::optional<int> periodSec;
    bool operator==(const TestMarks&) const = default;

    /// The latest alarm among the detectors, if any has alarmed.
    std::optional<double> LastAlarmT() const;
    /// Every listed detector has alarmed (false for an empty list).
    bool AllAlarmed() const;
};

/// The state of a journal, kept in the marks file beside it after the test's lines. Files
/// written by the user carry none of it.
struct JournalMarks {
    /// The log ended normally (the journal's closing marker).
    bool closed = false;
    /// The journal's log was saved by the user to this table file (with every row the journal
    /// holds); empty when it was not.
    std::string savedTo;
    /// The unfinished journal has been offered for recovery once.
    bool offered = false;
    /// The journal could not be written from this record (1-based) on: the disk holds the
    /// rows before it only, the log in memory had more.
    std::optional<int> missingFrom;
    bool operator==(const JournalMarks&) const = default;

    /// No state line to write.
    bool Empty() const { return *this == JournalMarks{}; }
};

/// The largest threshold divided by the smallest among the alarmed detectors: the
/// repeatability figure. Needs two alarms and a smallest threshold above zero.
std::optional<double> ThresholdRatio(const TestMarks& marks);

/// A detector name as it may be kept: surrounding blanks removed, control characters, ";"
/// and "=" (the file's separators) dropped, a character that Windows-1251 lacks replaced by
/// '?' (as the marks file would keep it). Empty when nothing is left.
std::string CleanDetectorName(std::string_view name);

/// "<tablePath>.test.txt".
std::string MarksPathFor(const std::string& tablePath);

/// The marks file (Windows-1251, CR LF after every line), the test's lines first, then the
/// journal's:
///   ВЕЛС-5 испытание
///   Пожар=ТП2                      (absent when no fire is chosen)
///   Пуск=12,3                      (fire start, log seconds; absent when not set)
///   Извещатель=И1;312,4;0,123      (name; alarm time; threshold dB/m)
///   Извещатель=И2                  (not alarmed)
///   База=5,000                     (distance, metres; absent when not known)
///   Период=2                       (recording period, seconds; absent when not known)
///   Повтор=21;25                   (records with T 21 to 25 s are copies: the link failed)
///   Разрыв=123;131                 (no link between the records with T 123 and 131 s)
///   Сохранён=/home/lab/t1.txt      (journal: its log was saved to this table file)
///   Недописан=96                   (journal: rows from record 96 on did not reach it)
///   Предложен                      (journal: offered for recovery once)
///   Завершён                       (closing marker of a journal)
/// Numbers use a decimal comma and no digit grouping.
std::string FormatMarksFile(const TestMarks& marks, const JournalMarks& journal = {});

/// Whether a test has anything to keep: a fire chosen, a fire start, a detector, copied
/// records or a gap.
bool HasMarks(const TestMarks& marks);

/// Reading result: the marks and the journal's state lines, or the 1-based line and the
/// reason of a refusal.
struct MarksLoad {
    std::optional<TestMarks> marks;
    JournalMarks journal; ///< as the file has them; none in a file written by the user
    int line = 0;
    std::string error; ///< UTF-8, e.g. "Файл испытания повреждён"
    explicit operator bool() const { return marks.has_value(); }
};

/// Reads a marks file. Lines end at CR LF, CR or LF; empty lines and lines with unknown keys
/// are skipped (later versions may add keys). A missing or wrong first line, an unknown fire,
/// a number that does not convert, a time outside 0 to 65 535 s (or a run of copies or a gap that
/// ends before it begins), a distance outside 0,3 to
/// 10 m, a period outside 1 to 30 s or an empty detector name refuse the file.
MarksLoad ParseMarksFile(std::string_view bytes);

/// The marks saved beside a table file: `marks` at MarksPathFor(tablePath), written
/// atomically. With nothing to keep, a marks file left there by an earlier save is removed
/// instead: it belongs to the table file now replaced. The result of the write (or of the
/// removal; a file that is not there is no failure).
FileWriteResult SaveMarksBeside(const std::string& tablePath, const TestMarks& marks);

/// The marks beside a table file as a load finds them.
struct MarksBeside {
    enum class Status : std::uint8_t {
        Absent,     ///< no marks file: the log is loaded without a test
        Loaded,     ///< `marks` holds them
        Unreadable, ///< the file is there but cannot be read
        Damaged,    ///< `load` says where and why
    };
    Status status = Status::Absent;
    std::string path; ///< the marks file's path
    MarksLoad load;
};
MarksBeside LoadMarksBeside(const std::string& tablePath);

} // namespace core
