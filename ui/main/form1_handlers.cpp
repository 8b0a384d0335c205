// The main window's commands: recording switch, restart, window toggles, dialogs, help,
// exit, the timers and the save offer before the log is discarded.
#include "core/atomic_file.h"
#include "core/format.h"
#include "core/table_row.h"
#include "ui/common/form_style.h"
#include "ui/dialogs/form_about.h"
#include "ui/dialogs/form_dist.h"
#include "ui/dialogs/form_time.h"
#include "ui/graph/form_graph.h"
#include "ui/main/form1.h"
#include "ui/prompts/prompts.h"
#include "ui/table/form_tabl.h"
#include "ui/tech/form_tech.h"
#include "ui/test/form_test.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>
#include <QUrl>

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
    // Relative to the current folder; the desktop's own reaction covers a missing file.
    QDesktopServices::openUrl(
        QUrl::fromLocalFile(QDir::current().absoluteFilePath(QStringLiteral("VELS5_PO.pdf"))));
}

void TForm1::N10Click() {
    if (OfferSaveLog() != core::SaveAnswer::GoOn)
        return;
    m_saveOffered = true;
    close();
    m_saveOffered = false;
}

core::SaveAnswer TForm1::OfferSaveLog() {
    core::RecordLog& log = m_session->Log();
    if (log.Count() == 0)
        return core::SaveAnswer::GoOn;
    const PromptAnswer answer = m_prompts.Question(
        this, QString(), QStringLiteral("Сохранить данные?"), PromptButtons::YesNoCancel);
    if (answer == PromptAnswer::Cancel)
        return core::SaveAnswer::Stop;
    if (answer == PromptAnswer::No)
        return core::SaveAnswer::GoOn;
    const core::TableView view = m_windows.tabl ? m_windows.tabl->View : core::TableView{};
    const std::string bytes = core::FormatLogFile(log, view.Delim, view.IsUnit);
    FileDialogOptions options;
    options.title = QStringLiteral("Сохранить таблицу");
    options.defaultSuffix = QStringLiteral("txt");
    options.filter = QStringLiteral("TXT (*.txt)|*.txt|all (*.*)|*.*");
    // The user asked to save: cancelling the file dialog keeps the log rather than losing it.
    const std::optional<QString> path = m_prompts.SaveFileName(this, options);
    if (!path)
        return core::SaveAnswer::Stop;
    if (QFileInfo::exists(*path) &&
        m_prompts.Question(this, QString(), QStringLiteral("Файл существует, заменить?"),
                           PromptButtons::YesNo) != PromptAnswer::Yes)
        return core::SaveAnswer::Stop;
    const core::FileWriteResult written = core::WriteFileAtomically(path->toStdString(), bytes);
    if (!written) {
        m_prompts.Error(this, AppTitle(),
                        QString::fromStdString(written.error + ".\n" + written.reason));
        return core::SaveAnswer::Failed;
    }
    log.SetCount(0);
    ClearRows();
    return core::SaveAnswer::GoOn;
}

void TForm1::NotifyLogFull(std::string_view text) {
    // Told after the handler that filled the log has finished, not from inside it.
    const QString message = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QTimer::singleShot(0, this,
                       [this, message] { m_prompts.Information(this, AppTitle(), message); });
}

} // namespace ui
