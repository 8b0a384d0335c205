// The paint description of a picture as JSON lines: one object per primitive.
#pragma once

#include "core/graph/paint_list.h"

#include <string>

namespace plot_tool {

/// Every primitive of `list` in drawing order, one JSON object and a line break each, e.g.
/// {"kind":"line","role":"grid","x1":198,"y1":0,"x2":198,"y2":369,"colour":"0x00008000",
/// "width":1,"style":"solid"}. Colours are written as in the settings file, "0x00BBGGRR".
std::string PaintListJson(const core::PaintList& list);

} // namespace plot_tool
