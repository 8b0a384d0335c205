// vels5-table's output: JSON lines through the decoder's writer, CSV by hand.
#include "tools/vels5-table/table_output.h"

#include "core/common/date_time.h"
#include "tools/common/json_line.h"

#include <array>
#include <charconv>

namespace table_tool {
namespace {

// The shortest decimal (with a point) that reads back as the same float.
std::string Number(float value) {
    std::array<char, 32> buf;
    const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    return std::string(buf.data(), ec == std::errc{} ? end : buf.data());
}

} // namespace

std::string FormatRecords(const core::TableFileLoad& load, Format format,
                          std::span<const core::LinkGap> gaps) {
    std::string out = format == Format::Csv ? "time,T_s,Ui_V,m_dB_per_m\r\n" : "";
    decode::JsonLine json;
    std::size_t gap = 0;
    const auto gapLine = [&gaps, &gap] {
        const core::LinkGap& g = gaps[gap++];
        return "{\"gap\":[" + std::to_string(g.fromT) + "," + std::to_string(g.toT) + "]}\n";
    };
    for (std::size_t k = 0; k < load.records.size(); ++k) {
        const core::MeasurementRecord r = load.records[k];
        while (format == Format::Json && gap < gaps.size() && gaps[gap].toT <= r.T)
            out += gapLine();
        const std::string time = core::FormatTimeOfDay(r.Time);
        if (format == Format::Csv) {
            out +=
                time + ',' + std::to_string(r.T) + ',' + Number(r.Ui) + ',' + Number(r.m) + "\r\n";
            continue;
        }
        out += json.Int("line", static_cast<std::int64_t>(k + 1))
                   .String("time", time)
                   .UInt("T", r.T)
                   .Float("Ui", r.Ui)
                   .Float("m", r.m)
                   .String("row", load.rows[k])
                   .Finish();
    }
    while (format == Format::Json && gap < gaps.size())
        out += gapLine();
    return out;
}

std::string FormatPoints(const core::TemplateFileLoad& load, Format format) {
    std::string out = format == Format::Csv ? "T_s,m_dB_per_m\r\n" : "";
    decode::JsonLine json;
    for (std::size_t i = 0; i < load.points.size(); ++i) {
        const core::TemplatePoint p = load.points[i];
        if (format == Format::Csv)
            out += std::to_string(p.T) + ',' + Number(p.m) + "\r\n";
        else
            out += json.Int("line", static_cast<std::int64_t>(i + 1))
                       .UInt("T", p.T)
                       .Float("m", p.m)
                       .Finish();
    }
    return out;
}

std::string FormatJournals(const std::vector<core::JournalEntry>& journals) {
    std::string out;
    decode::JsonLine json;
    for (const core::JournalEntry& j : journals) {
        json.String("file", j.name)
            .String("start", core::JournalStartText(j.startTime))
            .Bool("readable", j.readable)
            .Int("records", j.records)
            .Int("duration", j.durationSec)
            .String("fire", j.fire)
            .String("verdict", j.verdict)
            .Bool("closed", j.journal.closed)
            .Bool("offered", j.journal.offered);
        if (j.journal.savedTo.empty())
            json.Null("saved");
        else
            json.String("saved", j.journal.savedTo);
        out += json.Finish();
    }
    return out;
}

std::string FormatRefusal(const core::FileRefusal& refusal) {
    return decode::JsonLine().String("error", refusal.message).Int("line", refusal.line).Finish();
}

} // namespace table_tool
