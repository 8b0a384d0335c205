// The main window shows the session's state: mode panels, recording switch, "Ti=" label and
// timers; and wires the fire test's window.
#include "comm/va_comm.h"
#include "core/common/format.h"
#include "core/session/panel_text.h"
#include "ui/common/form_style.h"
#include "ui/fire/form_test.h"
#include "ui/graph/form_graph.h"
#include "ui/main/form1.h"
#include "ui/table/form_tabl.h"
#include "ui/tech/form_tech.h"

#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

namespace ui {
namespace {

QString Text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

void ApplyLabel(QLabel* label, const core::LabelView& view, int centre) {
    SetCentred(label, Text(view.text), centre);
    label->setVisible(view.visible);
}

// A start counter that moved means (re)start: a full interval from now.
void ApplyTimer(QTimer* timer, const core::TimerCommand& command, std::uint32_t& applied) {
    if (command.starts != applied) {
        applied = command.starts;
        if (command.running)
            timer->start();
    }
    if (!command.running)
        timer->stop();
}

} // namespace

void TForm1::SetWindows(const Windows& windows) {
    m_windows = windows;
    if (m_windows.tabl) {
        m_windows.tabl->SetJournalDir(QFile::decodeName(m_journalDir.c_str()));
        m_session->SetRowFormat(m_windows.tabl->View);
    }
    // The panel's menu check follows the panel, also when it is closed by its own button.
    if (m_windows.tech)
        m_windows.tech->installEventFilter(this);
    ConnectTest();
}

void TForm1::ConnectTest() {
    TFormTest* test = m_windows.test;
    if (!test)
        return;
    test->SetGraph(m_windows.graph);
    // F2 and Ctrl+1 ... Ctrl+9 from every window: this window is shown for the whole run.
    addActions(test->ShortcutActions());
    if (TFormGraph* graph = m_windows.graph) {
        graph->FireStartDragged = [this](double t) {
            m_session->Test().MoveFireStart(t);
            m_session->UpdateTest();
        };
    }
}

void TForm1::Refresh() {
    ApplyView(m_session->View());
    ApplyRecording(m_session->Recording());
    lTime->setText(Text(m_session->TimeText()));
    lTime->adjustSize();
    ApplyTimers();
    ShowWait();
    // What another copy started by mistake is told about this one.
    m_copy.Note(TxOff && TxOff->isEnabled() ? StatusPanel0->text().toStdString() : std::string(),
                m_session->JournalPath());
}

void TForm1::ApplyTimers() {
    ApplyTimer(Timer1, m_session->Timer1(), m_timer1Starts);
    ApplyTimer(Timer2, m_session->Timer2(), m_timer2Starts);
}

void TForm1::ShowWait() {
    lWait->setText(Text(m_session->WaitText()));
    if (!m_session->WaitShown())
        TimerWait->stop();
    else if (!TimerWait->isActive())
        TimerWait->start();
}

void TForm1::ApplyView(const core::ModeView& v) {
    // All panels have the client area's width, so one centre serves every label.
    const int centre = centralWidget()->width() / 2;
    ApplyLabel(lStart, v.lStart, centre);
    ApplyLabel(lMode, v.lMode, centre);
    ApplyLabel(lUa, v.lUa, centre);
    ApplyLabel(lStab, v.lStab, centre);
    ApplyLabel(lStabTime, v.lStabTime, centre);
    ApplyLabel(lUo, v.lUo, centre);
    ApplyLabel(lUi, v.lUi, centre);
    ApplyLabel(lDi, v.lDi, centre);
    ApplyLabel(lErMode, v.lErMode, centre);
    ApplyLabel(lErBI, v.lErBI, centre);
    ApplyLabel(lErBF, v.lErBF, centre);
    iSQ1->setVisible(v.iSQ1);
    iSQ3->setVisible(v.iSQ3);
    iTrL1->setVisible(v.iTrL1);
    iTrL3->setVisible(v.iTrL3);
    iTrR1->setVisible(v.iTrR1);
    iTrR3->setVisible(v.iTrR3);
    pError->setVisible(v.pError);
    pAdjust->setVisible(v.pAdjust);
    pStab->setVisible(v.pStab);
    pWork->setVisible(v.pWork);
    pStart->setVisible(v.pStart);
    bbRestart->setEnabled(v.bbRestart);
}

void TForm1::ApplyRecording(const core::RecordingView& r) {
    miLink->setText(Text(r.miLinkCaption));
    miLink->setEnabled(r.enabled);
    bbEnRec->setToolTip(Text(r.bbEnRecHint));
    bbEnRec->setChecked(r.bbEnRecDown);
    bbEnRec->setEnabled(r.enabled);
}

void TForm1::SetDistLabel() {
    ShowText(lDist, core::DistanceText(m_session->Params().fDist));
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == StatusBar1 && event->type() == QEvent::MouseButtonPress)
        StatusBar1MouseDown(static_cast<QMouseEvent*>(event)->position().toPoint().x());
    else if (watched == centralWidget() && event->type() == QEvent::Resize)
        LayoutPanels();
    else if (watched == m_windows.tech &&
             (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        miTechPan->setChecked(event->type() == QEvent::Show);
    return QMainWindow::eventFilter(watched, event);
}

} // namespace ui
