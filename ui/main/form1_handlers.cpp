// The main window's commands: recording switch, restart, window toggles, dialogs, help,
// exit, the timers and the save offer before the log is discarded.
#include "core/common/format.h"
#include "core/files/save_offer.h"
#include "ui/common/form_style.h"
#include "ui/common/screen_place.h"
#include "ui/dialogs/form_about.h"
#include "ui/dialogs/form_dist.h"
#include "ui/dialogs/form_time.h"
#include "ui/fire/form_test.h"
#include "ui/graph/form_graph.h"
#include "ui/main/form1.h"
#include "ui/main/help.h"
#include "ui/prompts/core_prompts.h"
#include "ui/prompts/prompts.h"
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

void TForm1::bbEnRecClick(bool down) {
    m_session->bbEnRecClick(down);
    Refresh();
}

void TForm1::miLinkClick() {
    m_session->miLinkClick();
    Refresh();
}

void TForm1::bbRestartClick() {
    m_session->bbRestartClick();
    Refresh();
}

void TForm1::Timer1Timer() {
    m_session->Timer1Timer();
    Refresh();
}

void TForm1::Timer2Timer() {
    m_session->Timer2Timer();
    Refresh();
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
    SetDistLabels();
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
        m_prompts.Information(this, AppTitle(), ManualMissingText(folders));
        return;
    }
    // The desktop's own opening reports success as soon as its opener has started; the
    // opener's exit status tells whether a viewer took the document.
    OpenDocument(this, m_documentOpener, manual,
                 [this, manual] { m_prompts.Information(this, AppTitle(), NoViewerText(manual)); });
}

void TForm1::N10Click() {
    if (OfferSaveLog(core::LogDiscard::Cancellable) != core::SaveAnswer::GoOn)
        return;
    m_saveOffered = true;
    close();
    m_saveOffered = false;
}

core::SaveAnswer TForm1::OfferSaveLog(core::LogDiscard discard) {
    // Timers the session has stopped (entering adjustment stops both) must be still before
    // the question's modal loop could deliver their ticks.
    ApplyTimers();
    core::RecordLog& log = m_session->Log();
    const int before = log.Count();
    const core::TableView view = m_windows.tabl ? m_windows.tabl->View : core::TableView{};
    CorePrompts prompts(m_prompts, this);
    // A journal that holds the whole log stands in for the copy written on a forced discard.
    const std::string live = m_session->JournalComplete() ? m_session->JournalPath() : "";
    std::string savedTo;
    const core::SaveAnswer answer = core::OfferSaveLog(log, view, discard, prompts, m_journalDir,
                                                       &m_session->Test().Marks(), live, &savedTo);
    if (!savedTo.empty())
        m_session->LogSaved(savedTo);
    if (before > 0 && log.Count() == 0)
        ClearRows();
    return answer;
}

void TForm1::NotifyLogFull(std::string_view text) {
    // Told after the handler that filled the log has finished, not from inside it.
    const QString message = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QTimer::singleShot(0, this,
                       [this, message] { m_prompts.Information(this, AppTitle(), message); });
}

core::TableView TForm1::RowFormat() const {
    return m_windows.tabl ? m_windows.tabl->View : core::TableView{};
}

void TForm1::NotifyJournalFailure(std::string_view text) {
    // Told after the handler that wrote the record has finished, not from inside it.
    const QString message = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QTimer::singleShot(0, this, [this, message] { m_prompts.Error(this, AppTitle(), message); });
}

} // namespace ui
