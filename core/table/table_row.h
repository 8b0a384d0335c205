// Rows of the table window and lines of the table file written from the record log.
#pragma once

#include "core/log/record_log.h"

#include <string>
#include <string_view>

namespace core {

/// The emitter voltage as every row shows it.
inline constexpr std::string_view kUoText = "4,985";

/// Spacing before the Ui and m numbers in the form without units: four spaces in the
/// table window's rows, three in the lines written from the whole log.
enum class RowSpacing { List, LogFile };

/// One record as a row (UTF-8): "hh:mm:ss" D " " then T with D padded on the left to five
/// characters, then Uo, Ui and m with or without unit suffixes, e.g.
/// "12:34:56;    5;   4,985В;   4,321В;   0,123дБ/м".
std::string FormatTableRow(const MeasurementRecord& record, std::string_view delim, bool isUnit,
                           RowSpacing spacing = RowSpacing::List);

/// Records 0 to Count - 1 as table-file bytes: Windows-1251, CR LF after every line (an
/// empty log gives no bytes).
std::string FormatLogFile(const RecordLog& log, std::string_view delim, bool isUnit);

} // namespace core
