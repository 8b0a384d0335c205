// Rows of the table window and lines of the table file written from the record log.
#include "core/table/table_row.h"

#include "core/common/cp1251.h"
#include "core/common/date_time.h"
#include "core/common/format.h"

namespace core {
namespace {

// Characters, not bytes: a delimiter may be a Cyrillic letter.
std::size_t Utf8Length(std::string_view text) {
    std::size_t n = 0;
    for (char c : text)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

} // namespace

std::string FormatTableRow(const MeasurementRecord& record, std::string_view delim, bool isUnit,
                           RowSpacing spacing) {
    const MeasurementRecord r = record; // packed fields: read by value
    std::string row = FormatTimeOfDay(r.Time);
    row += delim;
    row += ' ';
    std::string t = std::to_string(r.T);
    t += delim;
    const std::size_t length = Utf8Length(t);
    if (length < 5)
        row.append(5 - length, ' ');
    row += t;
    const std::string ui = FormatDecimal(r.Ui, 5, 3);
    const std::string m = FormatDecimal(r.m, 5, 3);
    row += "   ";
    row += kUoText;
    if (isUnit) {
        row += "В";
        row.append(delim).append("   ").append(ui).append("В");
        row.append(delim).append("   ").append(m).append("дБ/м");
    } else {
        const std::string_view pad = spacing == RowSpacing::List ? "    " : "   ";
        row.append(delim).append(pad).append(ui);
        row.append(delim).append(pad).append(m);
    }
    return row;
}

std::string FormatLogFile(const RecordLog& log, std::string_view delim, bool isUnit) {
    std::string text;
    for (int i = 0; i < log.Count(); ++i) {
        text += FormatTableRow(log[i], delim, isUnit, RowSpacing::LogFile);
        text += "\r\n";
    }
    return Utf8ToCp1251(text);
}

} // namespace core
