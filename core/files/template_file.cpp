// The template file: writing selected records as points, reading points back.
#include "core/files/template_file.h"

#include "core/common/cp1251.h"
#include "core/common/format.h"
#include "core/files/line_scan.h"

#include <cfloat>
#include <cmath>

namespace core {
namespace {

constexpr std::size_t kMinLine = 4;
constexpr std::size_t kMaxLine = 30;
constexpr std::size_t kMinLines = 3;
constexpr long long kMaxT = 65'535;

// Characters, not bytes: a delimiter may be a Cyrillic letter.
std::size_t Utf8Length(std::string_view text) {
    std::size_t n = 0;
    for (char c : text)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

FileRefusal Notice(std::string_view message) {
    return {FileRefusal::Kind::Notice, std::string(message), 0};
}

// One line's point, in the order the reader converts the fields.
std::optional<FileRefusal> ReadPoint(std::string_view s, TemplatePoint& point) {
    using namespace scan;
    if (s.size() < kMinLine || s.size() > kMaxLine)
        return Notice(template_text::kLineLength);
    Trim(s);
    std::size_t p = Digits(s);
    if (AtLast(p, s))
        return Notice(template_text::kDamaged);
    const std::string_view tText = s.substr(0, p);
    const auto t = ParseInteger(tText);
    if (!t)
        return FileRefusal{FileRefusal::Kind::Conversion,
                           "'" + std::string(tText) + "' is not a valid integer value", 0};
    if (*t.value > kMaxT)
        return Notice(template_text::kDamaged);
    point.T = static_cast<std::uint16_t>(*t.value);
    Drop(s, p + 1);
    Trim(s);

    p = ToDigit(s);
    if (AtLast(p, s))
        return Notice(template_text::kDamaged);
    std::string mText = MinusBefore(s, p) ? "-" : "";
    Drop(s, p);
    mText += s.substr(0, Number(s, true));
    const auto m = ParseDecimal(mText);
    if (!m || std::fabs(*m.value) > FLT_MAX)
        return FileRefusal{FileRefusal::Kind::Conversion,
                           "'" + Cp1251ToUtf8(mText) + "' is not a valid floating point value", 0};
    point.m = static_cast<float>(*m.value);
    return std::nullopt;
}

} // namespace

std::vector<std::string> FormatTemplateLines(std::span<const MeasurementRecord> records,
                                             std::string_view delim, bool isUnit) {
    std::vector<std::string> lines;
    lines.reserve(records.size());
    const int t0 = records.empty() ? 0 : MeasurementRecord(records.front()).T;
    for (const MeasurementRecord& record : records) {
        const MeasurementRecord r = record; // packed fields: read by value
        std::string t = std::to_string(static_cast<int>(r.T) - t0);
        t += delim;
        const std::size_t length = Utf8Length(t);
        std::string line(length < 6 ? 6 - length : 0, ' ');
        line += t;
        line += "  ";
        line += FormatDecimal(r.m, 5, 3);
        if (isUnit)
            line += "дБ";
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string FormatTemplateFile(std::span<const std::string> lines) {
    return FormatTableFile(lines);
}

TemplateFileLoad ReadTemplateFile(std::string_view fileBytes) {
    TemplateFileLoad load;
    const std::vector<std::string_view> lines = SplitFileLines(fileBytes);
    if (lines.size() < kMinLines) {
        load.refusal = Notice(template_text::kEmpty);
        return load;
    }
    if (lines.size() > static_cast<std::size_t>(TemplateStore::kMaxPoints)) {
        load.refusal = Notice(template_text::kTooLong);
        load.refusal->line = TemplateStore::kMaxPoints + 1;
        return load;
    }
    load.points.resize(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto refusal = ReadPoint(lines[i], load.points[i])) {
            refusal->line = static_cast<int>(i + 1);
            load.points.clear();
            load.refusal = std::move(refusal);
            return load;
        }
    }
    return load;
}

bool ApplyTemplateLoad(const TemplateFileLoad& load, TemplateStore& store) {
    if (!load || load.points.size() > static_cast<std::size_t>(TemplateStore::kMaxPoints))
        return false;
    store.TemplatePoints = load.points;
    store.NTempl = static_cast<std::int16_t>(load.points.size());
    return true;
}

} // namespace core
