// The journals dialog: a thin list over core::ListJournals.
#include "ui/table/form_journals.h"

#include "core/common/date_time.h"
#include "core/common/format.h"
#include "core/common/prompts.h"
#include "core/files/save_flow.h"
#include "core/journal/journal_store.h"
#include "core/session/measurement_session.h"
#include "ui/common/file_prompts.h"
#include "ui/common/form_style.h"
#include "ui/common/utf8.h"
#include "ui/table/form_tabl.h"

#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ui {
namespace {

QString StateText(const core::JournalEntry& j) {
    if (!j.readable)
        return QStringLiteral("не читается");
    QString text = j.inUse          ? QStringLiteral("записывается")
                   : j.Unfinished() ? QStringLiteral("не завершён")
                                    : QStringLiteral("завершён");
    if (!j.journal.savedTo.empty())
        text += QStringLiteral(", сохранён");
    if (j.skippedLines > 0)
        text += QStringLiteral(", ") + QString::fromStdString(core::SkippedLinesText(j));
    if (j.journal.missingFrom)
        text += QString::fromStdString(core::MissingText(j.journal));
    return text;
}

QStringList RowTexts(const core::JournalEntry& j) {
    return {QString::fromStdString(core::JournalStartText(j.startTime)),
            QString::fromStdString(core::FormatDuration(j.durationSec)),
            QString::fromStdString(core::FormatDecimal(j.records, 18, 0)),
            QString::fromStdString(j.fire),
            QString::fromStdString(j.verdict),
            StateText(j)};
}

} // namespace

TFormJournals::TFormJournals(core::IPrompts& prompts, TFormTabl& table,
                             const core::MeasurementSession& session, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_table(table), m_session(session) {
    setObjectName(QStringLiteral("FormJournals"));
    setWindowTitle(QStringLiteral("Журналы"));
    setFont(FormFont());
    resize(760, 360);
    sgJournals = new QTableWidget(0, 6, this);
    sgJournals->setObjectName(QStringLiteral("sgJournals"));
    sgJournals->setHorizontalHeaderLabels(
        {"Начало", "Длительность", "Записей", "Пожар", "Заключение", "Состояние"});
    sgJournals->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgJournals->setSelectionMode(QAbstractItemView::SingleSelection);
    sgJournals->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgJournals->verticalHeader()->hide();
    sgJournals->horizontalHeader()->setStretchLastSection(true);
    auto makeButton = [this](const char* name, const QString& text) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(QString::fromLatin1(name));
        return button;
    };
    bbOpen = makeButton("bbOpen", QStringLiteral("Открыть"));
    bbDelete = makeButton("bbDelete", QStringLiteral("Удалить"));
    bbClose = makeButton("bbClose", QStringLiteral("Закрыть"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bbOpen);
    buttons->addWidget(bbDelete);
    buttons->addStretch();
    buttons->addWidget(bbClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sgJournals);
    layout->addLayout(buttons);
    connect(bbOpen, &QPushButton::clicked, this, &TFormJournals::bbOpenClick);
    connect(bbDelete, &QPushButton::clicked, this, &TFormJournals::bbDeleteClick);
    connect(bbClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(sgJournals, &QTableWidget::currentCellChanged, this, [this] { UpdateButtons(); });
    connect(sgJournals, &QTableWidget::cellDoubleClicked, this, [this] {
        if (bbOpen->isEnabled())
            bbOpenClick();
    });
    Refresh();
}

void TFormJournals::Refresh() {
    m_journals = core::ListJournals(LocalPath(m_table.JournalDir()));
    sgJournals->setRowCount(static_cast<int>(m_journals.size()));
    for (int row = 0; row < sgJournals->rowCount(); ++row) {
        const QStringList texts = RowTexts(m_journals[static_cast<std::size_t>(row)]);
        for (int column = 0; column < texts.size(); ++column)
            sgJournals->setItem(row, column, new QTableWidgetItem(texts[column]));
    }
    sgJournals->resizeColumnsToContents();
    sgJournals->setCurrentCell(m_journals.empty() ? -1 : 0, 0);
    UpdateButtons();
}

const core::JournalEntry* TFormJournals::Current() const {
    const int row = sgJournals->currentRow();
    if (row < 0 || row >= static_cast<int>(m_journals.size()))
        return nullptr;
    return &m_journals[static_cast<std::size_t>(row)];
}

void TFormJournals::UpdateButtons() {
    const core::JournalEntry* journal = Current();
    bbOpen->setEnabled(journal && journal->readable && m_table.LoadEnabled());
    // A journal being written (by this copy or another) is not deleted.
    bbDelete->setEnabled(journal && !journal->inUse && journal->path != m_session.JournalPath());
}

void TFormJournals::bbOpenClick() {
    const core::JournalEntry* journal = Current();
    // The table window's rule: nothing is loaded while a port is open.
    if (!journal || !m_table.LoadEnabled())
        return;
    if (m_table.LoadTableFile(QFile::decodeName(journal->path.c_str()), true))
        accept();
}

void TFormJournals::bbDeleteClick() {
    const core::JournalEntry* journal = Current();
    // The journal of the log being recorded is still being written.
    if (!journal || journal->inUse || journal->path == m_session.JournalPath())
        return;
    const QString question =
        QStringLiteral("Удалить журнал испытания от %1 (%2)?")
            .arg(QString::fromStdString(core::JournalStartText(journal->startTime)),
                 QString::fromStdString(journal->name));
    if (m_prompts.Question(core::kAppTitle, Utf8(question), core::PromptButtons::YesNo) !=
        core::PromptAnswer::Yes)
        return;
    const core::FileWriteResult removed = core::DeleteJournal(journal->path);
    if (!removed)
        core::ShowFileFailure(m_prompts, removed);
    Refresh();
}

} // namespace ui
