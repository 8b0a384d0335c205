// The test report ("Протокол испытания") as texts: the facts of the log and the test, the
// verdict with its intervals, the detectors and the records, ready to be laid out on pages.
#pragma once

#include "core/fire/fire_marks.h"
#include "core/fire/fire_view.h"
#include "core/graph/graph_view.h"
#include "core/log/record_log.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace core {

/// Fixed texts of the report (UTF-8).
namespace report_text {
inline constexpr std::string_view kTitle = "Протокол испытания";
inline constexpr std::string_view kUnknown = "—";
inline constexpr std::string_view kDate = "Дата";
inline constexpr std::string_view kStart = "Начало записи";
inline constexpr std::string_view kDuration = "Продолжительность записи";
inline constexpr std::string_view kRecords = "Записей";
inline constexpr std::string_view kFire = "Тестовый пожар";
inline constexpr std::string_view kDistance = "База";
inline constexpr std::string_view kPeriod = "Период записи";
inline constexpr std::string_view kFireStart = "Пуск пожара";
inline constexpr std::string_view kVerdict = "Результат";
inline constexpr std::string_view kNotEnded = "Испытание не завершено";
inline constexpr std::string_view kDetectors = "Извещатели";
inline constexpr std::string_view kNoDetectors = "Извещатели не заданы";
inline constexpr std::string_view kAppendix = "Приложение. Записи";
/// Column names over the rows, aligned to them in a fixed-width font.
inline constexpr std::string_view kAppendixHeader = "Время   ; T, с;   Uo, В;    Ui, В;  m, дБ/м";
inline constexpr std::string_view kPage = "Лист";
} // namespace report_text

/// One line of the report's header: a label and its value.
struct ReportFact {
    std::string label;
    std::string value; ///< report_text::kUnknown when not known
    bool operator==(const ReportFact&) const = default;
};

/// What the report is made of.
struct ReportSource {
    std::span<const MeasurementRecord> records; ///< the log, records 0 to Count - 1
    std::vector<std::string> rows;              ///< the records as table-file rows (UTF-8)
    TestMarks marks;                            ///< the test, with distance and period if known
    /// The log's start as a date-time (LogStartOf); a value below one day has no date.
    std::optional<double> start;
};

/// The report as texts (UTF-8).
struct TestReport {
    std::string title{report_text::kTitle};
    /// Дата, Начало записи, Продолжительность записи, Записей, Тестовый пожар, База,
    /// Период записи, Пуск пожара, in this order.
    std::vector<ReportFact> facts;
    std::string verdict; ///< the verdict line of the window "Испытание"
    /// Each interval outside the band and each stretch without values, in time order.
    std::vector<std::string> intervals;
    std::string checked; ///< "Проверено записей: 812 (до 850 с от пуска)"
    std::string end;     ///< the end-of-test notice, or kNotEnded
    std::vector<DetectorRow> detectors; ///< alarm and threshold kUnknown before an alarm
    std::string ratio;                  ///< "Отношение порогов: 1,50" or "... —"
    std::vector<std::string> appendix;  ///< the rows of the records
};

/// Builds the report: the verdict, intervals, end and detector texts are those the window
/// "Испытание" shows for these marks over these records.
TestReport BuildTestReport(const ReportSource& source);

/// The graph window's view for the report's picture: the whole log across (the smallest step
/// of the time zoom that holds every record, at most 3200 periods, the newest then), the dB/m
/// scale with the smallest range that holds the largest m and the end value of the test's
/// fire, the test's fire as the overlay (its band), and colours for paper (white background,
/// light grid, blue curve).
GraphView ReportGraphView(std::span<const MeasurementRecord> records, const TestMarks& marks);

/// The records as the table file's rows: ";" between the fields, no unit suffixes.
std::vector<std::string> RowsOfRecords(std::span<const MeasurementRecord> records);

/// The date-time at which the log started: the first record's time less its T. A record
/// that holds a time of day only (as a table file gives it) yields a time of day, given the
/// date of `date` (a date-time) when known. Nothing for no records.
std::optional<double> LogStartOf(std::span<const MeasurementRecord> records,
                                 std::optional<double> date = std::nullopt);

/// The report's file name offered in the save dialog: "Протокол 2026-01-31_14-05-09.pdf"
/// after the log's start (FormatFileStamp), "Протокол.pdf" for a log without a date.
std::string ReportFileName(std::optional<double> start);

/// The date-time a file name starts with as the journal names its files,
/// "2026-01-31_14-05-09..." (any folder before it is ignored); nothing for other names.
std::optional<double> DateTimeFromFileName(std::string_view path);

} // namespace core
