// The graph window's loaded template: a stretch of a recorded m curve, its times counted from
// its first point, filled by the template-file reader and drawn as overlay 10.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace core {

/// One template point: seconds from the template's first point and the smoke optical density.
struct TemplatePoint {
    std::uint16_t T = 0; ///< seconds from the first point
    float m = 0;         ///< dB/m
};

/// The template store of the graph window. Replaced as a whole by a successful load and
/// never changed by a refused one; nothing else clears it.
struct TemplateStore {
    /// The most points a template may have: its count is a signed 16-bit number.
    static constexpr int kMaxPoints = 32'767;

    std::vector<TemplatePoint> TemplatePoints; ///< NTempl points in file order
    std::int16_t NTempl = 0;                   ///< number of points; 0 before the first load
    /// Path of the file last chosen in "Загрузить шаблон" (UTF-8); empty after a refused load.
    std::string TemplFile;
};

} // namespace core
