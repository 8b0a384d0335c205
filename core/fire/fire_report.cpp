// The texts of the test report.
#include "core/fire/fire_report.h"

#include "core/common/date_time.h"
#include "core/common/format.h"
#include "core/fire/fire_band.h"
#include "core/fire/fire_envelopes.h"
#include "core/fire/fire_test.h"
#include "core/graph/graph_controls.h"
#include "core/graph/graph_scale.h"
#include "core/table/table_row.h"

#include <algorithm>
#include <cmath>

namespace core {
namespace {

std::string Unknown() {
    return std::string(report_text::kUnknown);
}

std::vector<ReportFact> Facts(const ReportSource& source) {
    const TestMarks& marks = source.marks;
    const std::optional<double>& start = source.start;
    const bool dated = start && *start >= 1;
    const TestFireEnvelope* fire = FindTestFire(marks.fireId);
    const std::size_t count = source.records.size();
    const int lastT = count > 0 ? MeasurementRecord(source.records[count - 1]).T : 0;
    return {
        {std::string(report_text::kDate), dated ? FormatDate(*start) : Unknown()},
        {std::string(report_text::kStart), start ? FormatTimeOfDay(*start) : Unknown()},
        {std::string(report_text::kDuration), count > 0 ? FormatDuration(lastT) : Unknown()},
        {std::string(report_text::kRecords), FormatDecimal(static_cast<double>(count), 18, 0)},
        {std::string(report_text::kFire), fire ? std::string(fire->name) : Unknown()},
        {std::string(report_text::kDistance),
         marks.distanceM ? FormatDecimal(*marks.distanceM, 5, 1) + " м" : Unknown()},
        {std::string(report_text::kPeriod),
         marks.periodSec ? std::to_string(*marks.periodSec) + " с" : Unknown()},
        {std::string(report_text::kFireStart),
         marks.fireStartT ? FormatDecimal(*marks.fireStartT, 7, 1) + " с" : Unknown()},
    };
}

} // namespace

TestReport BuildTestReport(const ReportSource& source) {
    FireTest test;
    test.Load(source.marks);
    test.Update(source.records);
    const TestView view = ViewOfTest(test);
    TestReport report;
    report.facts = Facts(source);
    report.verdict = view.verdict;
    if (const std::optional<BandVerdict>& verdict = test.Verdict()) {
        report.intervals = VerdictItems(*verdict);
        report.checked = "Проверено записей: " + FormatDecimal(verdict->checked, 18, 0) + " (до " +
                         FormatDecimal(verdict->endSec, 6, 0) + " с от пуска)";
    }
    report.end = test.Ended() ? test.EndText() : std::string(report_text::kNotEnded);
    report.detectors = view.rows;
    for (DetectorRow& row : report.detectors) {
        if (row.alarm.empty())
            row.alarm = row.threshold = Unknown();
    }
    report.ratio = view.ratio;
    report.appendix = source.rows;
    return report;
}

GraphView ReportGraphView(std::span<const MeasurementRecord> records, const TestMarks& marks) {
    GraphView view;
    int across = kMinNumPoint;
    while (across < static_cast<int>(records.size()) && across < kMaxNumPoint)
        across *= 2;
    view.NumPoint = static_cast<std::int16_t>(across);
    view.wQx = static_cast<std::int16_t>(across <= 100 ? 10 : 8);
    float highest = 0;
    for (const MeasurementRecord& r : records)
        highest = std::max(highest, MeasurementRecord(r).m);
    if (const TestFireEnvelope* fire = FindTestFire(marks.fireId)) {
        highest = std::max(highest, EndOfTestValue(*fire));
        view.bVeiwTP = static_cast<std::int8_t>(fire->id); // the test's band
    }
    const std::span<const ScaleRow> rows = ScaleRows(kUnitDbPerM);
    view.Unit = kUnitDbPerM;
    view.NScaleDB = static_cast<std::int16_t>(rows.size() - 1);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].yMax >= highest) {
            view.NScaleDB = static_cast<std::int16_t>(i);
            break;
        }
    }
    view.cBack = 0xFFFFFF;
    view.cMargin = 0xFFFFFF;
    view.cGrid = 0xC0C0C0;
    view.cFont = 0x000000;
    view.cGrap = 0xC00000;
    return view;
}

std::vector<std::string> RowsOfRecords(std::span<const MeasurementRecord> records) {
    std::vector<std::string> rows;
    rows.reserve(records.size());
    for (const MeasurementRecord& r : records)
        rows.push_back(FormatTableRow(r, ";", false));
    return rows;
}

std::optional<double> LogStartOf(std::span<const MeasurementRecord> records,
                                 std::optional<double> date) {
    if (records.empty())
        return std::nullopt;
    const MeasurementRecord first = records[0];
    double start = first.Time - first.T / kSecondsPerDay;
    if (first.Time >= 1)
        return start;
    // A time of day only: the time before it wraps to the day before midnight.
    start -= std::floor(start);
    if (date)
        start += std::floor(*date);
    return start;
}

std::string ReportFileName(std::optional<double> start) {
    std::string name = "Протокол";
    if (start && *start >= 1)
        name += " " + FormatFileStamp(*start);
    return name + ".pdf";
}

std::optional<double> DateTimeFromFileName(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
    DateTimeFields f;
    int used = 0;
    if (std::sscanf(name.c_str(), "%4d-%2d-%2d_%2d-%2d-%2d%n", &f.year, &f.month, &f.day, &f.hour,
                    &f.minute, &f.second, &used) != 6 ||
        used != 19)
        return std::nullopt;
    if (f.year < 1900 || f.month < 1 || f.month > 12 || f.day < 1 || f.day > 31 || f.hour > 23 ||
        f.minute > 59 || f.second > 59 || f.hour < 0 || f.minute < 0 || f.second < 0)
        return std::nullopt;
    const double dateTime = EncodeDateTime(f);
    // A day the month does not have (31 April) comes back as another date.
    const DateTimeFields back = DecodeDateTime(dateTime);
    if (back.day != f.day || back.month != f.month)
        return std::nullopt;
    return dateTime;
}

} // namespace core
