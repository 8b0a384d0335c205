// The graph window's mouse handlers: pan with Shift, overlay drag, hover cursor and the cursor
// timer that restores the default cursor once the mouse has left the plot.
#include "core/session/measurement_session.h"
#include "ui/common/picture_box.h"
#include "ui/graph/form_graph.h"
#include "ui/main/cursors.h"

#include <QCursor>
#include <QGuiApplication>
#include <QTimer>

namespace ui {

core::MouseContext TFormGraph::MouseState() const {
    core::MouseContext c;
    c.width = iImg.width();
    c.height = iImg.height();
    c.leftMargin = View.LeftMargin;
    c.bottomMargin = View.BottomMargin;
    c.count = m_session.Log().Count();
    c.numPoint = View.NumPoint;
    c.timeStepSec = m_session.Params().wTimeStep;
    c.overlay = View.bVeiwTP;
    c.unit = View.Unit;
    const core::FireTest& test = m_session.Test();
    c.testBand = core::GraphTestOf(test).BandShown(View.bVeiwTP) && View.Unit == 0;
    c.fireStartT = test.Marks().fireStartT.value_or(0);
    return c;
}

void TFormGraph::ApplyMouse(const core::MouseOutcome& outcome) {
    if (outcome.cursor)
        SetScreenCursor(*outcome.cursor);
    if (outcome.timerEnabled) {
        if (*outcome.timerEnabled && !Timer1->isActive())
            Timer1->start();
        else if (!*outcome.timerEnabled)
            Timer1->stop();
    }
    if (outcome.fireStartT && FireStartDragged) {
        m_dragging = true;
        FireStartDragged(*outcome.fireStartT);
        m_dragging = false;
    }
    if (outcome.redraw)
        RedrawGraph();
}

// The application's screen cursor, as an override cursor of this window's own: at most one
// entry of the application's stack, removed again for the default cursor.
void TFormGraph::SetScreenCursor(core::ScreenCursor cursor) {
    if (cursor == core::ScreenCursor::Default) {
        if (m_cursorSet)
            QGuiApplication::restoreOverrideCursor();
        m_cursorSet = false;
        return;
    }
    const QCursor shape =
        AppCursor(cursor == core::ScreenCursor::OpenHand ? kCursorOpenHand : kCursorClosedHand);
    if (m_cursorSet)
        QGuiApplication::changeOverrideCursor(shape);
    else
        QGuiApplication::setOverrideCursor(shape);
    m_cursorSet = true;
}

void TFormGraph::iDisplayMouseDown(bool shift, int x, int y) {
    FollowLog();
    Cursor.Press(x, y);
    ApplyMouse(Mouse.Down(x, y, shift, MouseState()));
}

void TFormGraph::iDisplayMouseMove(int x, int y) {
    const std::optional<core::PaintPoint> hovered = Cursor.hover;
    Cursor.Move(x, y, InPlot(x, y));
    const core::MouseOutcome outcome = Mouse.Move(x, y, MouseState());
    ApplyMouse(outcome);
    if (!outcome.redraw && (Cursor.hover || hovered))
        ShowPicture(); // the readout follows the mouse over the picture as drawn
}

void TFormGraph::iDisplayMouseUp() {
    const std::optional<core::PaintPoint> click = Cursor.Release();
    ApplyMouse(Mouse.Up());
    if (click && InPlot(click->x, click->y) && Cursor.Click(NearestRecordAt(click->x)))
        ShowPicture();
}

void TFormGraph::ToolBar1MouseMove() {
    SetScreenCursor(core::ScreenCursor::Default);
}

void TFormGraph::FormMouseMove() {
    SetScreenCursor(core::ScreenCursor::Default);
}

void TFormGraph::Timer1Timer() {
    Timer1->stop();
    const QPoint at = iDisplay->mapFromGlobal(QCursor::pos());
    if (Mouse.KeepWatching(at.x(), at.y(), MouseState()))
        Timer1->start();
    else
        SetScreenCursor(core::ScreenCursor::Default);
}

} // namespace ui
