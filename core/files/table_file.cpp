// The table file: reading its lines back into records and rows, writing the window's rows.
#include "core/files/table_file.h"

#include "core/common/cp1251.h"
#include "core/common/date_time.h"
#include "core/files/line_scan.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace core {
namespace {

constexpr int kMaxT = 65'535;

using scan::AtLast;
using scan::Drop;
using scan::Trim;

void PadLeft(std::string& out, std::string_view text, std::size_t width) {
    if (text.size() < width)
        out.append(width - text.size(), ' ');
    out += text;
}

// One line's fields, parsed in the order the window converts them.
class LineReader {
public:
    LineReader(std::string_view delim, bool isUnit) : m_delim(delim), m_isUnit(isUnit) {}

    // Fills `record` and `row`; on failure returns the refusal (without its line number).
    std::optional<FileRefusal> Read(std::string_view s, MeasurementRecord& record,
                                    std::string& row) const;

private:
    static FileRefusal Damaged() {
        return {FileRefusal::Kind::Notice, std::string(table_text::kDamaged), 0};
    }
    static FileRefusal Conversion(std::string message) {
        return {FileRefusal::Kind::Conversion, std::move(message), 0};
    }
    // A signed number starting at the digit of `s`; `toEnd` for the last field.
    static std::optional<FileRefusal> Number(std::string_view& s, bool negative, bool toEnd,
                                             std::string& text, float& value);

    std::string_view m_delim;
    bool m_isUnit;
};

std::optional<FileRefusal> LineReader::Number(std::string_view& s, bool negative, bool toEnd,
                                              std::string& text, float& value) {
    const std::size_t p = scan::Value(s, toEnd);
    if (!toEnd && AtLast(p, s))
        return Damaged();
    text = negative ? "-" : "";
    text += s.substr(0, p);
    std::string plain = text; // without the thousands separators
    std::erase(plain, scan::kGroupByte);
    const auto v = ParseDecimal(plain);
    text = Cp1251ToUtf8(text);
    if (!v || std::fabs(*v.value) > FLT_MAX)
        return Conversion("'" + text + "' is not a valid floating point value");
    value = static_cast<float>(*v.value);
    Drop(s, p + 1);
    Trim(s);
    return std::nullopt;
}

std::optional<FileRefusal> LineReader::Read(std::string_view s, MeasurementRecord& record,
                                            std::string& row) const {
    const std::string_view timeText = s.substr(0, 8);
    const auto time = ParseTimeOfDay(timeText);
    if (!time)
        return Conversion("'" + Cp1251ToUtf8(timeText) + "' is not a valid time");
    record.Time = *time.value;
    row = Cp1251ToUtf8(timeText);
    Drop(s, 9);
    Trim(s);

    std::size_t p = scan::Digits(s); // check 1
    if (AtLast(p, s))
        return Damaged();
    const std::string_view tText = s.substr(0, p);
    Drop(s, p + 1);
    Trim(s);
    const auto t = ParseInteger(tText);
    if (!t)
        return Conversion("'" + std::string(tText) + "' is not a valid integer value");
    if (*t.value > kMaxT)
        return Damaged();
    record.T = static_cast<std::uint16_t>(*t.value);
    row += m_delim;
    PadLeft(row, tText, 5);

    p = scan::Number(s, false); // check 2
    if (AtLast(p, s))
        return Damaged();
    row.append(m_delim).append("   ").append(s.substr(0, p)).append(m_isUnit ? "В" : "");
    Drop(s, p + 1);
    Trim(s);

    const std::string_view pad = m_isUnit ? "   " : "    ";
    float values[2] = {0, 0};
    for (int field = 0; field < 2; ++field) {
        p = scan::ToDigit(s); // checks 3 and 5
        // An m of one digit may end the line: rows rebuilt from a file keep the field texts,
        // so such a row, saved and loaded again, must not be refused.
        if (AtLast(p, s) && !(field == 1 && scan::IsDigit(s[p])))
            return Damaged();
        const bool negative = scan::MinusBefore(s, p);
        Drop(s, p);
        std::string text;
        if (auto refusal = Number(s, negative, field == 1, text, values[field])) // check 4
            return refusal;
        row.append(m_delim).append(pad).append(text);
        row += field == 0 ? (m_isUnit ? "В" : "") : (m_isUnit ? "дБ/м" : "");
    }
    record.Ui = values[0];
    record.m = values[1];
    return std::nullopt;
}

} // namespace

TableFileLoad ReadTableFile(std::string_view fileBytes, std::string_view delim, bool isUnit) {
    TableFileLoad load;
    const std::vector<std::string_view> lines = SplitFileLines(fileBytes);
    if (lines.empty()) {
        load.refusal = FileRefusal{FileRefusal::Kind::Notice, std::string(table_text::kEmpty), 0};
        return load;
    }
    if (lines.size() > static_cast<std::size_t>(RecordLog::kMaxRecords)) {
        load.refusal = FileRefusal{FileRefusal::Kind::Notice, std::string(table_text::kTooLong),
                                   RecordLog::kMaxRecords + 1};
        return load;
    }
    load.records.resize(lines.size());
    load.rows.resize(lines.size());
    const LineReader reader(delim, isUnit);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        if (auto refusal = reader.Read(lines[k], load.records[k], load.rows[k])) {
            refusal->line = static_cast<int>(k + 1);
            load.records.clear();
            load.rows.clear();
            load.refusal = std::move(refusal);
            return load;
        }
    }
    return load;
}

TableFileLoad ReadJournalTable(std::string_view fileBytes, std::string_view delim, bool isUnit) {
    TableFileLoad load;
    const std::size_t lastBreak = fileBytes.find_last_of('\n');
    const std::string_view whole = lastBreak == std::string_view::npos
                                       ? std::string_view{}
                                       : fileBytes.substr(0, lastBreak + 1);
    const auto isBreak = [](char c) { return c == '\r' || c == '\n' || c == '\0'; };
    const LineReader reader(delim, isUnit);
    int firstBad = 0;
    int lineNumber = 0;
    bool anyLine = false;
    // Line by line without a list of all lines: a file of nothing but line breaks costs no
    // memory beyond the records it gives. A run of zero bytes (a block a power cut left
    // zeroed) ends a line as a line break does, so the first whole line after it is found;
    // the line it cut short is left out, since its last field may have lost digits.
    for (std::size_t start = 0; start < whole.size();) {
        std::size_t end = start;
        while (end < whole.size() && !isBreak(whole[end]))
            ++end;
        const std::string_view line = whole.substr(start, end - start);
        // `whole` ends with a line feed, so every line ends at a break inside it.
        const bool cutByZeros = whole[end] == '\0';
        start = end + 1;
        if (whole[end] == '\r' && start < whole.size() && whole[start] == '\n')
            ++start;
        while (cutByZeros && start < whole.size() && whole[start] == '\0')
            ++start;
        ++lineNumber;
        if (line.empty())
            continue; // holds no record
        anyLine = true;
        MeasurementRecord record;
        std::string row;
        const bool control = std::any_of(
            line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
        if (load.records.size() >= static_cast<std::size_t>(RecordLog::kMaxRecords) || cutByZeros ||
            control || reader.Read(line, record, row)) {
            ++load.skippedLines;
            if (firstBad == 0)
                firstBad = lineNumber;
            continue;
        }
        load.records.push_back(record);
        load.rows.push_back(std::move(row));
    }
    if (load.records.empty()) {
        load.refusal =
            !anyLine ? FileRefusal{FileRefusal::Kind::Notice, std::string(table_text::kEmpty), 0}
                     : FileRefusal{FileRefusal::Kind::Notice, std::string(table_text::kDamaged),
                                   firstBad};
        load.rows.clear();
    }
    return load;
}

bool ApplyTableLoad(const TableFileLoad& load, RecordLog& log) {
    if (!load || load.records.size() > static_cast<std::size_t>(RecordLog::kMaxRecords))
        return false;
    const int n = static_cast<int>(load.records.size());
    log.SetCount(0); // a new generation: the loaded records replace the log
    for (int i = 0; i < n; ++i)
        log[i] = load.records[static_cast<std::size_t>(i)];
    log.SetCount(n);
    return true;
}

std::vector<std::string_view> SplitFileLines(std::string_view bytes, std::size_t maxLines) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        if (lines.size() >= maxLines)
            return lines;
        lines.push_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size() && lines.size() < maxLines)
        lines.push_back(bytes.substr(start));
    return lines;
}

std::string FormatTableFile(std::span<const std::string> rows) {
    std::string text;
    for (const std::string& row : rows) {
        text += row;
        text += "\r\n";
    }
    return Utf8ToCp1251(text);
}

std::string DelimiterFromSetting(std::string_view value) {
    if (value.empty())
        return ";";
    std::size_t length = 1;
    while (length < value.size() && (static_cast<unsigned char>(value[length]) & 0xC0) == 0x80)
        ++length;
    const std::string first(value.substr(0, length));
    // The scans would take such a character for part of a number, or skip it as a blank.
    const std::string bytes = Utf8ToCp1251(first);
    const auto c = static_cast<unsigned char>(bytes.empty() ? 0 : bytes[0]);
    const bool unreadable = bytes.size() != 1 || Cp1251ToUtf8(bytes) != first || c <= ' ' ||
                            c == 0x7F || c == 0xA0 || scan::IsDigit(static_cast<char>(c)) ||
                            c == ',' || c == '-';
    return unreadable ? ";" : first;
}

Conversion<double> ParseTimeOfDay(std::string_view text) {
    Conversion<double> result;
    std::string_view s = text;
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    int fields[3] = {0, 0, 0};
    int count = 0;
    bool ok = true;
    while (ok) {
        std::size_t n = 0;
        while (n < s.size() && scan::IsDigit(s[n]))
            ++n;
        ok = count < 3 && n >= 1 && n <= 2;
        if (!ok)
            break;
        fields[count++] = n == 1 ? s[0] - '0' : (s[0] - '0') * 10 + (s[1] - '0');
        s.remove_prefix(n);
        if (s.empty())
            break;
        ok = s.front() == ':';
        s.remove_prefix(1);
    }
    if (!ok || count < 2 || fields[0] > 23 || fields[1] > 59 || fields[2] > 59) {
        result.error = "'" + std::string(text) + "' is not a valid time";
        return result;
    }
    result.value = (fields[0] * 3600.0 + fields[1] * 60.0 + fields[2]) / kSecondsPerDay;
    return result;
}

} // namespace core
