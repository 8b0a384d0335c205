// The main window's commands: recording switch, restart, window toggles, dialogs, help,
// exit and the timers; the session's notices.
#include "core/common/format.h"
#include "core/common/prompts.h"
#include "ui/common/form_style.h"
#include "ui/common/screen_place.h"
#include "ui/common/utf8.h"
#include "ui/dialogs/form_about.h"
#include "ui/dialogs/form_dist.h"
#include "ui/dialogs/form_time.h"
#include "ui/fire/form_test.h"
#include "ui/graph/form_graph.h"
#include "ui/main/form1.h"
#include "ui/main/help.h"
#include "ui/main/session_signals.h"
#include "ui/table/form_tabl.h"
#include "ui/tech/form_tech.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QTimer>

namespace ui {
namespace {

void Toggle(QWidget* window) {
    if (window)
        window->setVisible(!window->isVisible());
}

} // namespace

void TForm1::ConnectSession() {
    connect(m_signals.get(), &SessionSignals::StateChanged, this, &TForm1::Refresh);
    // Timers the session has stopped (entering adjustment stops both) must be still before
    // the question's modal loop could deliver their ticks.
    connect(m_signals.get(), &SessionSignals::SaveOffered, this, &TForm1::ApplyTimers);
    connect(m_signals.get(), &SessionSignals::Notice, this, &TForm1::ShowNotice);
    connect(m_signals.get(), &SessionSignals::SendFrame, this, &TForm1::SendFrame);
    connect(m_signals.get(), &SessionSignals::DistanceChanged, this, &TForm1::SetDistLabel);
}

void TForm1::bbEnRecClick(bool down) {
    m_session->bbEnRecClick(down);
}

void TForm1::miLinkClick() {
    m_session->miLinkClick();
}

void TForm1::bbRestartClick() {
    m_session->bbRestartClick();
}

void TForm1::Timer1Timer() {
    m_session->Timer1Timer();
}

void TForm1::Timer2Timer() {
    m_session->Timer2Timer();
}

void TForm1::bbTablhFormClick() {
    Toggle(m_windows.tabl);
}
void TForm1::bbGraphFormClick() {
    Toggle(m_windows.graph);
}
void TForm1::mTestClick() {
    Toggle(m_windows.test);
}

void TForm1::miTechPanClick() {
    Toggle(m_windows.tech);
    miTechPan->setChecked(m_windows.tech && m_windows.tech->isVisible());
}

void TForm1::PlaceDialog(QWidget* dialog) const {
    // pos() is the frame's corner, as move() takes it; the widths are outer widths.
    const int width = frameGeometry().width();
    const int dialogWidth = dialog->width() + kFrameExtra.width();
    dialog->move(x() + width / 2 - dialogWidth / 2, y() + 50);
    KeepOnScreen(dialog);
}

void TForm1::miDistClick() {
    TFormDist* dialog = m_windows.dist;
    PlaceDialog(dialog);
    dialog->eDist->setText(
        QString::fromStdString(core::FormatDecimal(m_session->Params().fDist, 4, 1)));
    if (dialog->exec() == QDialog::Accepted)
        bbRestartClick();
    m_session->DistanceSettled();
}

void TForm1::miTimeStepClick() {
    TFormTime* dialog = m_windows.time;
    PlaceDialog(dialog);
    dialog->ePeriod->setText(QString::number(m_session->Params().wTimeStep));
    if (dialog->exec() == QDialog::Accepted)
        bbRestartClick();
}

void TForm1::N25Click() {
    PlaceDialog(m_windows.about);
    m_windows.about->exec();
}

void TForm1::N24Click() {
    const QStringList folders =
        ManualFolders(QDir::currentPath(), QCoreApplication::applicationDirPath());
    const QString manual = FindManual(folders);
    if (manual.isEmpty()) {
        m_prompts.Information(core::kAppTitle, Utf8(ManualMissingText(folders)));
        return;
    }
    // The desktop's own opening reports success as soon as its opener has started; the
    // opener's exit status tells whether a viewer took the document.
    OpenDocument(this, m_documentOpener, manual, [this, manual] {
        m_prompts.Information(core::kAppTitle, Utf8(NoViewerText(manual)));
    });
}

void TForm1::N10Click() {
    if (m_session->OfferSaveLog(core::LogDiscard::Cancellable) != core::SaveAnswer::GoOn)
        return;
    m_saveOffered = true;
    close();
    m_saveOffered = false;
}

void TForm1::ShowNotice(core::SessionNotice kind, const QString& text) {
    // Told after the handler that filled the log or wrote the record has finished, not from
    // inside it.
    QTimer::singleShot(0, this, [this, kind, text] {
        if (kind == core::SessionNotice::LogFull)
            m_prompts.Information(core::kAppTitle, Utf8(text));
        else
            m_prompts.Error(core::kAppTitle, Utf8(text));
    });
}

} // namespace ui
