// The primitive list of a picture.
#include "core/graph/paint_list.h"

#include <cassert>

namespace core {

void PaintList::Clear() {
    m_items.clear();
    m_points.clear();
    m_text.clear();
    m_open = false;
}

void PaintList::Reserve(std::size_t items, std::size_t points, std::size_t textBytes) {
    m_items.reserve(items);
    m_points.reserve(points);
    m_text.reserve(textBytes);
}

void PaintList::FillRect(PaintRole role, std::uint32_t colour, int x1, int y1, int x2, int y2) {
    EndPolyline();
    if (x2 <= x1 || y2 <= y1)
        return;
    PaintItem item;
    item.kind = PaintKind::FillRect;
    item.role = role;
    item.x1 = x1;
    item.y1 = y1;
    item.x2 = x2;
    item.y2 = y2;
    item.colour = colour;
    m_items.push_back(item);
}

void PaintList::Line(PaintRole role, const PaintPen& pen, int x1, int y1, int x2, int y2) {
    EndPolyline();
    PaintItem item;
    item.kind = PaintKind::Line;
    item.role = role;
    item.x1 = x1;
    item.y1 = y1;
    item.x2 = x2;
    item.y2 = y2;
    item.pen = pen;
    m_items.push_back(item);
}

void PaintList::BeginPolyline(PaintRole role, const PaintPen& pen) {
    EndPolyline();
    PaintItem item;
    item.kind = PaintKind::Polyline;
    item.role = role;
    item.pen = pen;
    item.first = m_points.size();
    m_items.push_back(item);
    m_open = true;
}

void PaintList::AddPoint(int x, int y) {
    assert(m_open);
    m_points.push_back({x, y});
    ++m_items.back().count;
}

void PaintList::EndPolyline() {
    if (!m_open)
        return;
    m_open = false;
    if (m_items.back().count < 2) {
        m_points.resize(m_items.back().first);
        m_items.pop_back();
    }
}

void PaintList::Text(PaintRole role, std::string_view text, TextAnchor anchor, int ax, int ay,
                     std::uint32_t colour, std::uint32_t background, const TextMeasure& measure) {
    EndPolyline();
    const TextSize size = measure.Measure(text);
    PaintItem item;
    item.kind = PaintKind::Text;
    item.role = role;
    item.anchor = anchor;
    item.ax = ax;
    item.ay = ay;
    item.width = size.width;
    item.height = size.height;
    switch (anchor) {
    case TextAnchor::TopLeft:
        item.x1 = ax;
        item.y1 = ay;
        break;
    case TextAnchor::TopCentre:
        item.x1 = ax - size.width / 2;
        item.y1 = ay;
        break;
    case TextAnchor::MiddleRight:
        item.x1 = ax - size.width;
        item.y1 = ay - size.height / 2;
        break;
    }
    item.x2 = item.x1 + size.width;
    item.y2 = item.y1 + size.height;
    item.colour = colour;
    item.background = background;
    item.first = m_text.size();
    item.count = text.size();
    m_text.insert(m_text.end(), text.begin(), text.end());
    m_items.push_back(item);
}

std::span<const PaintPoint> PaintList::PointsOf(const PaintItem& item) const {
    if (item.kind != PaintKind::Polyline)
        return {};
    return std::span<const PaintPoint>(m_points).subspan(item.first, item.count);
}

std::string_view PaintList::TextOf(const PaintItem& item) const {
    if (item.kind != PaintKind::Text || item.count == 0)
        return {};
    return std::string_view(m_text.data() + item.first, item.count);
}

} // namespace core
