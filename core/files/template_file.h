// The template file: a stretch of recorded m values with times counted from its first point,
// written from the table window's selected rows and read into the graph's template store.
#pragma once

#include "core/files/table_file.h"
#include "core/graph/template_store.h"
#include "core/log/record_log.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace core {

/// Messages of the template-file reader (UTF-8), exactly as the windows show them.
namespace template_text {
inline constexpr std::string_view kEmpty = "Файл шаблона пустой";
inline constexpr std::string_view kLineLength = "Ошибка шаблона";
inline constexpr std::string_view kDamaged = "Файл шаблона повреждён";
/// More lines than a template's signed 16-bit count can number.
inline constexpr std::string_view kTooLong = "Файл шаблона длиннее 32\u00A0767 строк";
/// The table window's refusal to save a template without a selection.
inline constexpr std::string_view kNoSelection = "Нет выбранных строк";
} // namespace template_text

/// The template lines (UTF-8) of `records` in order: t = T - T of the first record, its
/// decimal text followed by `delim` padded on the left with spaces to six characters, two
/// spaces, FormatDecimal(m, 5, 3), and "дБ" when `isUnit` is on. E.g. "    0;  0,050дБ".
std::vector<std::string> FormatTemplateLines(std::span<const MeasurementRecord> records,
                                             std::string_view delim, bool isUnit);
/// The lines as file bytes: Windows-1251, CR LF after every line.
std::string FormatTemplateFile(std::span<const std::string> lines);

/// The outcome of reading a template file: every point, or a refusal.
struct TemplateFileLoad {
    std::vector<TemplatePoint> points; ///< point i from line i
    std::optional<FileRefusal> refusal;

    explicit operator bool() const { return !refusal.has_value(); }
};

/// Reads the bytes of a template file (Windows-1251). Each line: between 4 and 30 characters
/// (leading spaces counted); after leading blanks a run of digits, t, ended by any other
/// character; m starts at the next digit (a minus sign right before it is kept) and runs
/// over digits with at most one comma; the rest of the line is ignored, so the delimiter and
/// the unit suffix do not matter.
///
/// Refusals (no points then): fewer than three lines ("Файл шаблона пустой", line 0); more
/// than TemplateStore::kMaxPoints lines (template_text::kTooLong); a line of the wrong
/// length ("Ошибка шаблона"); a field running into the end of the line, or t above 65,535
/// ("Файл шаблона повреждён"); a t or m text that does not convert (kind Conversion:
/// "'%s' is not a valid integer value", "'%s' is not a valid floating point value").
TemplateFileLoad ReadTemplateFile(std::string_view fileBytes);

/// Replaces the points and NTempl of `store` by an accepted load; TemplFile is not touched.
/// A refused load changes nothing and returns false.
bool ApplyTemplateLoad(const TemplateFileLoad& load, TemplateStore& store);

} // namespace core
