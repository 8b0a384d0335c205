// JSON lines of a paint list.
#include "tools/vels5-plot/paint_json.h"

#include "tools/common/json_line.h"

#include <cstdio>
#include <string_view>

namespace plot_tool {
namespace {

std::string_view KindName(core::PaintKind kind) {
    switch (kind) {
    case core::PaintKind::FillRect:
        return "fill";
    case core::PaintKind::Line:
        return "line";
    case core::PaintKind::Polyline:
        return "polyline";
    case core::PaintKind::Text:
        return "text";
    }
    return "?";
}

std::string_view RoleName(core::PaintRole role) {
    switch (role) {
    case core::PaintRole::Margin:
        return "margin";
    case core::PaintRole::PlotArea:
        return "plot-area";
    case core::PaintRole::Grid:
        return "grid";
    case core::PaintRole::TimeLabel:
        return "time-label";
    case core::PaintRole::AxisName:
        return "axis-name";
    case core::PaintRole::ValueLabel:
        return "value-label";
    case core::PaintRole::Overlay:
        return "overlay";
    case core::PaintRole::Curve:
        return "curve";
    case core::PaintRole::TestBand:
        return "test-band";
    case core::PaintRole::TestMark:
        return "test-mark";
    case core::PaintRole::TestLabel:
        return "test-label";
    case core::PaintRole::Violation:
        return "violation";
    case core::PaintRole::ReadoutMark:
        return "readout-mark";
    case core::PaintRole::ReadoutBox:
        return "readout-box";
    case core::PaintRole::ReadoutText:
        return "readout-text";
    case core::PaintRole::LinkGap:
        return "link-gap";
    }
    return "?";
}

std::string_view AnchorName(core::TextAnchor anchor) {
    switch (anchor) {
    case core::TextAnchor::TopLeft:
        return "top-left";
    case core::TextAnchor::TopCentre:
        return "top-centre";
    case core::TextAnchor::MiddleRight:
        return "middle-right";
    }
    return "?";
}

std::string Colour(std::uint32_t colour) {
    char text[16];
    std::snprintf(text, sizeof text, "\"0x%08X\"", colour);
    return text;
}

// A member: ,"key":value (the value already JSON).
void Member(std::string& out, std::string_view key, const std::string& value) {
    out += ",\"";
    out += key;
    out += "\":";
    out += value;
}

void Box(std::string& out, const core::PaintItem& item) {
    Member(out, "x1", std::to_string(item.x1));
    Member(out, "y1", std::to_string(item.y1));
    Member(out, "x2", std::to_string(item.x2));
    Member(out, "y2", std::to_string(item.y2));
}

void Pen(std::string& out, const core::PaintPen& pen) {
    Member(out, "colour", Colour(pen.colour));
    Member(out, "width", std::to_string(pen.width));
    const bool dash = pen.style == core::PenStyle::Dash;
    Member(out, "style", dash ? "\"dash\"" : "\"solid\"");
    if (dash && pen.opaqueGaps)
        Member(out, "gap", Colour(pen.gapColour));
}

void Item(std::string& out, const core::PaintList& list, const core::PaintItem& item) {
    out += "{\"kind\":\"";
    out += KindName(item.kind);
    out += "\",\"role\":\"";
    out += RoleName(item.role);
    out += '"';
    switch (item.kind) {
    case core::PaintKind::FillRect:
        Box(out, item);
        Member(out, "colour", Colour(item.colour));
        break;
    case core::PaintKind::Line:
        Box(out, item);
        Pen(out, item.pen);
        break;
    case core::PaintKind::Polyline: {
        Pen(out, item.pen);
        std::string points = "[";
        for (const core::PaintPoint& p : list.PointsOf(item)) {
            if (points.size() > 1)
                points += ',';
            points += '[' + std::to_string(p.x) + ',' + std::to_string(p.y) + ']';
        }
        Member(out, "points", points + ']');
        break;
    }
    case core::PaintKind::Text:
        Member(out, "text", decode::JsonString(list.TextOf(item)));
        Box(out, item);
        Member(out, "anchor", '"' + std::string(AnchorName(item.anchor)) + '"');
        Member(out, "ax", std::to_string(item.ax));
        Member(out, "ay", std::to_string(item.ay));
        Member(out, "colour", Colour(item.colour));
        Member(out, "background", Colour(item.background));
        break;
    }
    out += "}\n";
}

} // namespace

std::string PaintListJson(const core::PaintList& list) {
    std::string out;
    for (const core::PaintItem& item : list.Items())
        Item(out, list, item);
    return out;
}

} // namespace plot_tool
