// "Журналы…": the journals of the recorded logs, to open one as a table file or delete it.
#pragma once

#include "core/journal/journal_store.h"

#include <QDialog>
#include <vector>

class QPushButton;
class QTableWidget;

namespace core {
class IPrompts;
class MeasurementSession;
} // namespace core

namespace ui {

class TFormTabl;

/// Lists the journals of the table window's journal folder, newest first: start, duration,
/// records, fire, verdict and state. Open loads the chosen one into the table window (only
/// while no port is open, the table window's load rule); Delete removes it after asking,
/// except the journal of the log being recorded.
class TFormJournals final : public QDialog {
    Q_OBJECT
public:
    TFormJournals(core::IPrompts& prompts, TFormTabl& table,
                  const core::MeasurementSession& session, QWidget* parent = nullptr);

    QTableWidget* sgJournals;
    QPushButton* bbOpen;
    QPushButton* bbDelete;
    QPushButton* bbClose;

    /// Reads the folder again and fills the list; the first row is current.
    void Refresh();
    /// The journal of the current row, or nullptr.
    const core::JournalEntry* Current() const;

    void bbOpenClick();
    void bbDeleteClick();

private:
    void UpdateButtons();

    core::IPrompts& m_prompts;
    TFormTabl& m_table;
    const core::MeasurementSession& m_session;
    std::vector<core::JournalEntry> m_journals;
};

} // namespace ui
