// What vels5-table prints: records and points as JSON lines or CSV, and refusals.
#pragma once

#include "core/table_file.h"
#include "core/template_file.h"

#include <string>

namespace table_tool {

enum class Format { Json, Csv };

/// One JSON object per record, {"line":1,"time":"12:34:56","T":5,"Ui":4.321,"m":0.123,
/// "row":"…"}, or the CSV header "time,T_s,Ui_V,m_dB_per_m" and one line per record (RFC 4180,
/// CR LF, a decimal point). Numbers are the shortest texts that read back as the same float.
std::string FormatRecords(const core::TableFileLoad& load, Format format);

/// {"line":1,"T":0,"m":0.05} per point, or the CSV header "T_s,m_dB_per_m" and its lines.
std::string FormatPoints(const core::TemplateFileLoad& load, Format format);

/// {"error":"Файл таблицы повреждён","line":4} and a line break: the message exactly as the
/// window shows it; line 0 when the file as a whole is refused.
std::string FormatRefusal(const core::FileRefusal& refusal);

} // namespace table_tool
