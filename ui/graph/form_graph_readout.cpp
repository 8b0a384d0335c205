// The graph window's readout: the box beside the cursor and the reference point, composed over
// a copy of the off-screen picture so that the picture saved stays as drawn.
#include "core/session/measurement_session.h"
#include "ui/common/picture_box.h"
#include "ui/graph/form_graph.h"
#include "ui/paint/graph_painter.h"

#include <QKeyEvent>
#include <algorithm>

namespace ui {

bool TFormGraph::InPlot(int x, int y) const {
    return x > View.LeftMargin && x < iImg.width() && y >= 0 &&
           y < iImg.height() - View.BottomMargin;
}

std::optional<int> TFormGraph::NearestRecordAt(int x) const {
    const core::RecordLog& log = m_session.Log();
    const int n = log.Count();
    if (n < 1 || m_range.first < 0 || m_range.first >= n)
        return std::nullopt;
    const core::GraphMaps maps =
        m_plot.Maps(View, iImg.width(), iImg.height(), m_session.Params().wTimeStep);
    const std::int64_t t0 = log[m_range.first].T;
    const auto records =
        std::span<const core::MeasurementRecord>(&log[0], static_cast<std::size_t>(n));
    return core::NearestRecord(records, m_range, t0, maps.SpanSec(), t0 + maps.TimeAt(x));
}

void TFormGraph::ShowPicture() {
    if (iImg.isNull())
        return;
    m_readoutPaint.Clear();
    if (Cursor.hover || Cursor.reference) {
        const core::RecordLog& log = m_session.Log();
        const core::GraphTest test = core::GraphTestOf(m_session.Test());
        core::ReadoutInput in;
        in.records = std::span<const core::MeasurementRecord>(
            &log[0], static_cast<std::size_t>(std::max<int>(log.Count(), 0)));
        in.range = m_range;
        in.test = &test;
        in.hover = Cursor.hover;
        in.reference = Cursor.reference;
        const core::GraphMaps maps =
            m_plot.Maps(View, iImg.width(), iImg.height(), m_session.Params().wTimeStep);
        core::DrawReadout(m_readoutPaint, maps, View, in, QtTextMeasure(GraphFont()));
    }
    ComposeOver(m_shown, iImg, m_readoutPaint);
    iDisplay->SetPicture(m_shown);
}

void TFormGraph::iDisplayMouseLeave() {
    if (!Cursor.hover)
        return;
    Cursor.hover.reset();
    ShowPicture();
}

void TFormGraph::ClearReference() {
    if (Cursor.ClearReference())
        ShowPicture();
}

void TFormGraph::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        ClearReference();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

} // namespace ui
