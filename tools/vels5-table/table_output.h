// What vels5-table prints: records and points as JSON lines or CSV, and refusals.
#pragma once

#include "core/files/table_file.h"
#include "core/files/template_file.h"
#include "core/fire/fire_marks.h"
#include "core/journal/journal_store.h"

#include <span>
#include <string>
#include <vector>

namespace table_tool {

enum class Format { Json, Csv };

/// One JSON object per record, {"line":1,"time":"12:34:56","T":5,"Ui":4.321,"m":0.123,
/// "row":"…"}, or the CSV header "time,T_s,Ui_V,m_dB_per_m" and one line per record (RFC 4180,
/// CR LF, a decimal point). Numbers are the shortest texts that read back as the same float.
/// Each break of the link in `gaps` (by T, in time order) is a line {"gap":[123,131]} of its
/// own in the JSON, between the records it lies between; CSV has no place for it.
std::string FormatRecords(const core::TableFileLoad& load, Format format,
                          std::span<const core::LinkGap> gaps = {});

/// {"line":1,"T":0,"m":0.05} per point, or the CSV header "T_s,m_dB_per_m" and its lines.
std::string FormatPoints(const core::TemplateFileLoad& load, Format format);

/// One JSON object per journal, in the order given:
/// {"file":"2026-01-31_14-05-09.txt","start":"31.01.2026 14:05:09","readable":true,
///  "records":12,"duration":11,"fire":"ТП2","verdict":"…","closed":false,"offered":true,
///  "saved":"/home/lab/t1.txt"} ("saved" null when the log was not saved).
std::string FormatJournals(const std::vector<core::JournalEntry>& journals);

/// {"error":"Файл таблицы повреждён","line":4} and a line break: the message exactly as the
/// window shows it; line 0 when the file as a whole is refused.
std::string FormatRefusal(const core::FileRefusal& refusal);

} // namespace table_tool
