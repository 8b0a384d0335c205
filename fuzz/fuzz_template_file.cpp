// Fuzzes the template-file reader: any bytes. A refused file must leave a loaded store
// untouched; the points of an accepted file, written again as a template, must read back to
// the same times and the same m to the three decimals the file keeps.
#include "core/common/format.h"
#include "core/files/template_file.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

// Times counted from the first point, and values written without grouping or exponent.
bool Rewritable(const std::vector<core::TemplatePoint>& points) {
    for (const core::TemplatePoint& p : points)
        if (p.T < points.front().T || std::fabs(p.m) >= 1000.0f)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const core::TemplateFileLoad load = core::ReadTemplateFile(bytes);
    core::TemplateStore store;
    store.TemplatePoints = {{0, 0.5f}, {5, 0.25f}, {9, -0.125f}};
    store.NTempl = 3;
    if (!load) {
        Check(load.points.empty());
        Check(!core::ApplyTemplateLoad(load, store));
        Check(store.NTempl == 3 && store.TemplatePoints.size() == 3);
        Check(store.TemplatePoints[2].m == -0.125f);
        return 0;
    }
    Check(load.points.size() >= 3);
    Check(core::ApplyTemplateLoad(load, store));
    Check(store.NTempl == static_cast<int>(load.points.size()));
    if (!Rewritable(load.points))
        return 0;

    std::vector<core::MeasurementRecord> records;
    for (const core::TemplatePoint& p : load.points)
        records.push_back(core::MeasurementRecord{4.0f, p.m, p.T, 0.0});
    for (const bool isUnit : {false, true}) {
        const core::TemplateFileLoad again = core::ReadTemplateFile(
            core::FormatTemplateFile(core::FormatTemplateLines(records, ";", isUnit)));
        Check(static_cast<bool>(again) && again.points.size() == load.points.size());
        for (std::size_t i = 0; i < load.points.size(); ++i) {
            Check(again.points[i].T == load.points[i].T - load.points[0].T);
            Check(core::FormatDecimal(again.points[i].m, 5, 3) ==
                  core::FormatDecimal(load.points[i].m, 5, 3));
        }
    }
    return 0;
}
