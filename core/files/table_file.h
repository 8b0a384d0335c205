// The table file: its reader, which turns the lines back into records and rebuilt rows, the
// writer of the table window's rows, and the line splitting and refusals that the template
// file shares.
#pragma once

#include "core/common/format.h"
#include "core/log/record_log.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace core {

/// Messages of the table-file reader (UTF-8), exactly as the window shows them.
namespace table_text {
inline constexpr std::string_view kEmpty = "Файл таблицы пустой";
inline constexpr std::string_view kDamaged = "Файл таблицы повреждён";
/// More lines than the record log can hold (the number is grouped by U+00A0).
inline constexpr std::string_view kTooLong = "Файл таблицы длиннее 32\u00A0767 строк";
} // namespace table_text

/// Why a table or template file was refused.
struct FileRefusal {
    enum class Kind : std::uint8_t {
        Notice,     ///< a plain information box with an OK button
        Conversion, ///< a number or time conversion error: the application's error box
    };
    Kind kind = Kind::Notice;
    std::string message; ///< UTF-8, exactly as shown, e.g. "Файл таблицы повреждён"
    int line = 0;        ///< 1-based line of the file; 0 when the file as a whole is refused
};

/// The outcome of reading a table file: every record with its rebuilt row, or a refusal.
struct TableFileLoad {
    /// Line k gives record k: Time (the time of day only, date part zero), T, Ui and m.
    std::vector<MeasurementRecord> records;
    /// Line k rebuilt in the row format with the reader's delimiter and unit choice (UTF-8).
    std::vector<std::string> rows;
    /// Set when the file is refused; records and rows are then empty.
    std::optional<FileRefusal> refusal;
    /// Lines left out because they do not read (ReadJournalTable only).
    int skippedLines = 0;

    explicit operator bool() const { return !refusal.has_value(); }
};

/// Reads the bytes of a table file (Windows-1251) line by line, as the table window loads it,
/// and rebuilds each row with `delim` (UTF-8, one character) and the unit suffixes of `isUnit`.
///
/// Per line, on a working copy: the first eight characters are the time of day; nine
/// characters are dropped; then T (a run of digits), the Uo text (digits with at most one
/// comma), Ui and m (each starting at the next digit, digits with at most one comma). The
/// field texts go into the rebuilt row unchanged. A minus sign right before the first digit of
/// Ui or m is kept: values below zero are read with their sign. An m of a single digit that
/// ends the line is read (so every rebuilt row reads back to the same record).
///
/// Refusals (nothing of the file is returned then): no line ("Файл таблицы пустой", line 0);
/// more than RecordLog::kMaxRecords lines (table_text::kTooLong at the first line that does
/// not fit); a scan reaching the end of the line before its field is complete, or a T above
/// 65,535 ("Файл таблицы повреждён"); a text that does not convert ("'%s' is not a valid
/// time", "'%s' is not a valid integer value", "'%s' is not a valid floating point value",
/// also for Ui or m beyond the float range). Pure function; any thread.
TableFileLoad ReadTableFile(std::string_view fileBytes, std::string_view delim, bool isUnit);

/// Reads the bytes of a journal (a table file written record by record) as far as they can be
/// read: the bytes after the last line break (a line cut short) are left out; a run of zero
/// bytes (a block that a power cut left zeroed) ends a line like a line break, and the line it
/// ends is left out; so is every line that does not read as a record or holds a control
/// character, and every line past RecordLog::kMaxRecords good ones, each counted in
/// `skippedLines` (empty lines hold nothing and are not counted). Every other line gives its
/// record and row in file order, as ReadTableFile reads it.
/// Refused only when no line reads: "Файл таблицы пустой" without lines, "Файл таблицы
/// повреждён" otherwise (at the first line). Pure function; any thread.
TableFileLoad ReadJournalTable(std::string_view fileBytes, std::string_view delim, bool isUnit);

/// Puts an accepted load into the log: records 0 to n - 1 and Count n. A refused load changes
/// nothing and returns false.
bool ApplyTableLoad(const TableFileLoad& load, RecordLog& log);

/// The most lines a reader splits a file into: one more than any file may hold, so a longer
/// file is told from a full one without the rest being split.
inline constexpr std::size_t kMaxSplitLines = 32'768;

/// The lines of a text file: a line ends at CR LF, a lone CR or a lone LF; a final line break
/// adds no empty line; an empty line inside the file stays. The views point into `bytes`.
/// Splitting stops after `maxLines` lines.
std::vector<std::string_view> SplitFileLines(std::string_view bytes,
                                             std::size_t maxLines = kMaxSplitLines);

/// The table window's rows (UTF-8) as table-file bytes: Windows-1251, CR LF after every row,
/// no bytes at all for no rows.
std::string FormatTableFile(std::span<const std::string> rows);

/// The delimiter of a "FormTabl Delim" setting (UTF-8): its first character; ";" when empty.
/// The readers take one character after the time, so a longer text cannot be honoured. A
/// character that would make the rows unreadable gives ";" as well: a digit, the comma, the
/// minus, a blank (space, U+00A0, a control character) or a character Windows-1251 lacks.
std::string DelimiterFromSetting(std::string_view value);

/// A time of day "h:mm" or "h:mm:ss" (one or two digits per field, blanks around allowed,
/// hours 0-23) as a fraction of a day. Error text: "'%s' is not a valid time".
Conversion<double> ParseTimeOfDay(std::string_view text);

} // namespace core
