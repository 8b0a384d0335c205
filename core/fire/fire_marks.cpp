// Fire-test marks: thresholds, the repeatability ratio and the marks file.
#include "core/fire/fire_marks.h"

#include "core/common/cp1251.h"
#include "core/common/format.h"
#include "core/files/sys_file.h"
#include "core/files/table_file.h"
#include "core/fire/fire_envelopes.h"
#include "core/session/measurement_params.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace core {
namespace {

constexpr std::string_view kHeader = "ВЕЛС-5 испытание";
constexpr std::string_view kFireKey = "Пожар";
constexpr std::string_view kStartKey = "Пуск";
constexpr std::string_view kDetectorKey = "Извещатель";
constexpr std::string_view kDistanceKey = "База";
constexpr std::string_view kPeriodKey = "Период";
constexpr std::string_view kClosedLine = "Завершён";
constexpr std::string_view kSavedKey = "Сохранён";
constexpr std::string_view kOfferedLine = "Предложен";
constexpr std::string_view kCopiedKey = "Повтор";
constexpr std::string_view kGapKey = "Разрыв";
constexpr std::string_view kMissingKey = "Недописан";
constexpr std::string_view kDamaged = "Файл испытания повреждён";
constexpr double kMaxLogSeconds = 65'535;

// A number for the file: decimal comma, no digit grouping.
std::string FileNumber(double value, int precision, int digits) {
    std::string text = FormatDecimal(value, precision, digits);
    for (std::size_t at; (at = text.find(kThousandsSeparator)) != std::string::npos;)
        text.erase(at, kThousandsSeparator.size());
    return text;
}

// A value kept on one line.
std::string WithoutControls(std::string_view text) {
    std::string out;
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
            out += c;
    return out;
}

std::optional<double> LogSeconds(std::string_view text) {
    const Conversion<double> value = ParseDecimal(text);
    if (!value || !(*value.value >= 0 && *value.value <= kMaxLogSeconds))
        return std::nullopt;
    return std::round(*value.value * 10) / 10;
}

// "name;time;threshold" or "name".
std::optional<DetectorMark> ParseDetector(std::string_view value) {
    const std::size_t semi = value.find(';');
    DetectorMark mark;
    mark.name = CleanDetectorName(value.substr(0, semi));
    if (mark.name.empty())
        return std::nullopt;
    if (semi == std::string_view::npos)
        return mark;
    const std::string_view rest = value.substr(semi + 1);
    const std::size_t semi2 = rest.find(';');
    if (semi2 == std::string_view::npos)
        return std::nullopt;
    mark.alarmT = LogSeconds(rest.substr(0, semi2));
    const Conversion<double> threshold = ParseDecimal(rest.substr(semi2 + 1));
    if (!mark.alarmT || !threshold || !std::isfinite(*threshold.value) ||
        std::fabs(*threshold.value) > 1e6)
        return std::nullopt;
    mark.thresholdDbPerM = static_cast<float>(*threshold.value);
    return mark;
}

// "firstT;lastT", whole seconds.
std::optional<CopiedRecords> ParseCopied(std::string_view value) {
    const std::size_t semi = value.find(';');
    if (semi == std::string_view::npos)
        return std::nullopt;
    const Conversion<long long> first = ParseInteger(value.substr(0, semi));
    const Conversion<long long> last = ParseInteger(value.substr(semi + 1));
    if (!first || !last || *first.value < 0 || *first.value > *last.value ||
        *last.value > kMaxLogSeconds)
        return std::nullopt;
    return CopiedRecords{static_cast<int>(*first.value), static_cast<int>(*last.value)};
}

// Applies one "key=value" line; false when the line is damaged.
bool ApplyLine(std::string_view key, std::string_view value, TestMarks& marks,
               JournalMarks& journal) {
    if (key == kFireKey) {
        const TestFireEnvelope* fire = FindTestFire(value);
        if (!fire)
            return false;
        marks.fireId = fire->id;
    } else if (key == kStartKey) {
        marks.fireStartT = LogSeconds(value);
        return marks.fireStartT.has_value();
    } else if (key == kDistanceKey) {
        const Conversion<double> metres = ParseDecimal(value);
        if (!metres || !DistInRange(*metres.value))
            return false;
        marks.distanceM = static_cast<float>(*metres.value);
    } else if (key == kPeriodKey) {
        const Conversion<long long> seconds = ParseInteger(value);
        if (!seconds || !PeriodInRange(*seconds.value))
            return false;
        marks.periodSec = static_cast<int>(*seconds.value);
    } else if (key == kSavedKey) {
        journal.savedTo = value;
    } else if (key == kCopiedKey) {
        const std::optional<CopiedRecords> run = ParseCopied(value);
        if (!run)
            return false;
        marks.copied.push_back(*run);
    } else if (key == kGapKey) {
        const std::optional<CopiedRecords> gap = ParseCopied(value);
        if (!gap)
            return false;
        marks.gaps.push_back({gap->firstT, gap->lastT});
    } else if (key == kMissingKey) {
        const Conversion<long long> record = ParseInteger(value);
        if (!record || *record.value < 1 || *record.value > 1'000'000)
            return false;
        journal.missingFrom = static_cast<int>(*record.value);
    } else if (key == kDetectorKey) {
        std::optional<DetectorMark> mark = ParseDetector(value);
        if (!mark)
            return false;
        marks.detectors.push_back(std::move(*mark));
    }
    return true;
}

} // namespace

std::optional<double> TestMarks::LastAlarmT() const {
    std::optional<double> last;
    for (const DetectorMark& d : detectors)
        if (d.alarmT && (!last || *d.alarmT > *last))
            last = d.alarmT;
    return last;
}

bool TestMarks::AllAlarmed() const {
    return !detectors.empty() &&
           std::all_of(detectors.begin(), detectors.end(),
                       [](const DetectorMark& d) { return d.alarmT.has_value(); });
}

std::optional<double> ThresholdRatio(const TestMarks& marks) {
    std::optional<float> lo, hi;
    int alarmed = 0;
    for (const DetectorMark& d : marks.detectors) {
        if (!d.alarmT)
            continue;
        ++alarmed;
        lo = lo ? std::min(*lo, d.thresholdDbPerM) : d.thresholdDbPerM;
        hi = hi ? std::max(*hi, d.thresholdDbPerM) : d.thresholdDbPerM;
    }
    if (alarmed < 2 || !(*lo > 0))
        return std::nullopt;
    return static_cast<double>(*hi) / static_cast<double>(*lo);
}

std::string CleanDetectorName(std::string_view name) {
    std::string out;
    for (char c : name)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F && c != ';' && c != '=')
            out += c;
    // As the marks file will keep it: a character Windows-1251 lacks becomes '?' now, not
    // only after a save and a load.
    out = Cp1251ToUtf8(Utf8ToCp1251(out));
    const std::size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

std::string MarksPathFor(const std::string& tablePath) {
    return tablePath + ".test.txt";
}

std::string FormatMarksFile(const TestMarks& marks, const JournalMarks& journal) {
    std::string text{kHeader};
    text += "\r\n";
    if (const TestFireEnvelope* fire = FindTestFire(marks.fireId))
        text += std::string(kFireKey) + "=" + std::string(fire->name) + "\r\n";
    if (marks.fireStartT)
        text += std::string(kStartKey) + "=" + FileNumber(*marks.fireStartT, 7, 1) + "\r\n";
    for (const DetectorMark& d : marks.detectors) {
        text += std::string(kDetectorKey) + "=" + CleanDetectorName(d.name);
        if (d.alarmT)
            text += ";" + FileNumber(*d.alarmT, 7, 1) + ";" + FileNumber(d.thresholdDbPerM, 5, 3);
        text += "\r\n";
    }
    if (marks.distanceM)
        text += std::string(kDistanceKey) + "=" + FileNumber(*marks.distanceM, 5, 3) + "\r\n";
    if (marks.periodSec)
        text += std::string(kPeriodKey) + "=" + std::to_string(*marks.periodSec) + "\r\n";
    for (const CopiedRecords& run : marks.copied)
        text += std::string(kCopiedKey) + "=" + std::to_string(run.firstT) + ";" +
                std::to_string(run.lastT) + "\r\n";
    for (const LinkGap& gap : marks.gaps)
        text += std::string(kGapKey) + "=" + std::to_string(gap.fromT) + ";" +
                std::to_string(gap.toT) + "\r\n";
    if (!journal.savedTo.empty())
        text += std::string(kSavedKey) + "=" + WithoutControls(journal.savedTo) + "\r\n";
    if (journal.missingFrom)
        text += std::string(kMissingKey) + "=" + std::to_string(*journal.missingFrom) + "\r\n";
    if (journal.offered)
        text += std::string(kOfferedLine) + "\r\n";
    if (journal.closed)
        text += std::string(kClosedLine) + "\r\n";
    return Utf8ToCp1251(text);
}

bool HasMarks(const TestMarks& marks) {
    return marks.fireId != 0 || marks.fireStartT || !marks.detectors.empty() ||
           !marks.copied.empty() || !marks.gaps.empty();
}

FileWriteResult SaveMarksBeside(const std::string& tablePath, const TestMarks& marks) {
    const std::string path = MarksPathFor(tablePath);
    if (HasMarks(marks))
        return WriteFileAtomically(path, FormatMarksFile(marks));
    return RemoveFileIfPresent(path);
}

MarksBeside LoadMarksBeside(const std::string& tablePath) {
    MarksBeside beside;
    beside.path = MarksPathFor(tablePath);
    sys::FileInfo info;
    if (!sys::Stat(beside.path, info) && errno == ENOENT)
        return beside;
    std::string bytes;
    if (!ReadWholeFile(beside.path, bytes, read_limit::kMarks)) {
        beside.status = MarksBeside::Status::Unreadable;
        return beside;
    }
    beside.load = ParseMarksFile(bytes);
    beside.status = beside.load ? MarksBeside::Status::Loaded : MarksBeside::Status::Damaged;
    return beside;
}

MarksLoad ParseMarksFile(std::string_view bytes) {
    const std::string text = Cp1251ToUtf8(bytes);
    const std::vector<std::string_view> lines = SplitFileLines(text);
    MarksLoad load;
    if (lines.empty() || lines.front() != kHeader) {
        load.line = 1;
        load.error = kDamaged;
        return load;
    }
    TestMarks marks;
    JournalMarks journal;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line == kClosedLine || line == kOfferedLine) {
            (line == kClosedLine ? journal.closed : journal.offered) = true;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        if (!ApplyLine(line.substr(0, eq), line.substr(eq + 1), marks, journal)) {
            load.line = static_cast<int>(i) + 1;
            load.error = kDamaged;
            return load;
        }
    }
    load.marks = std::move(marks);
    load.journal = std::move(journal);
    return load;
}

} // namespace core
