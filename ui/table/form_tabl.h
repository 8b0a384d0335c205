// The table window: the record log as fixed-layout text rows, following the session live,
// with the table file (save, load) and the template file (save).
#pragma once

#include "core/table/table_model.h"
#include "core/table/table_view.h"

#include <QMainWindow>
#include <vector>

class QAction;
class QLabel;
class QListWidget;
class QToolBar;
class QToolButton;

namespace core {
class IPrompts;
class MeasurementSession;
} // namespace core

namespace ui {

class SessionSignals;

class TFormTabl final : public QMainWindow {
    Q_OBJECT
public:
    /// Reads the distance of `session` and reads and, when a table file is loaded, replaces
    /// its record log (owned by the main window, which outlives this window). GUI thread only.
    TFormTabl(core::IPrompts& prompts, core::MeasurementSession& session,
              QWidget* parent = nullptr);

    /// Follows the session from now on: while visible, a row per new record and the "Ti="
    /// label; visible or not, an emptied list when the log is emptied, the "Li=" label when
    /// the distance is settled and the load controls enabled exactly while no port is open.
    void Follow(const SessionSignals& events);

    QToolBar* ToolBar1;
    QToolButton* bbLoadTab;
    QToolButton* bbSaveTab;
    QToolButton* bbSaveAs;
    QToolButton* bbSaveTempl;
    QToolButton* BitBtn2;
    QToolButton* sbLastLine;
    QLabel* lTime;
    QLabel* lDist;
    QListWidget* ListBox1;

    QAction* miLoadTab;
    QAction* miSave;
    QAction* miSaveAs;
    QAction* miSaveTempl;
    QAction* miJournals; ///< "Журналы…": the journal folder's dialog
    QAction* miClose;
    QAction* mErase;
    QAction* mSelAll;
    QAction* mViewLastLine;
    QAction* mAllRec;

    /// Stored view options (follow mode, delimiter, unit suffixes), with the values a new
    /// window starts from. Change follow mode through SetViewLastLine so its controls follow,
    /// and call ViewChanged after changing the delimiter or the suffixes.
    core::TableView View;
    /// File last chosen with "Сохранить таблицу как ...". It belongs to the log it was chosen
    /// for: "Сохранить таблицу" forgets it once that log was emptied or replaced.
    QString TableFileName;
    /// The rows: the records they show and their texts (the list's items show the texts).
    const core::TableModel& Rows() const { return m_model; }
    /// The delimiter or the unit suffixes of View changed: the rows are shown in the new
    /// format (rows of an earlier log keep theirs).
    void ViewChanged();

    /// Appends the row of log record `index`.
    void AddRecordRow(int index);
    /// Empties the list.
    void ClearRows();
    /// Each showing: empty list, follow mode off, "Li=" label.
    void FormShow();
    /// Sets follow mode with its menu check mark and button, which always change together.
    void SetViewLastLine(bool on);
    void mViewLastLineClick();
    void sbLastLineClick() { mViewLastLineClick(); }
    /// The file-load controls bbLoadTab and miLoadTab (the session's port decides, Follow).
    void SetLoadEnabled(bool enabled);
    /// Whether a file may be loaded now (no port is open).
    bool LoadEnabled() const;
    /// The journal folder that "Журналы…" lists.
    void SetJournalDir(const QString& dir) { m_journalDir = dir; }
    const QString& JournalDir() const { return m_journalDir; }

    // Files (form_tabl_files.cpp). A refused load changes neither the log nor the list.
    /// "Загрузить таблицу": a table file into the log and the list; the fire test's marks
    /// from "<file>.test.txt" when that is present, otherwise a new test.
    void bbLoadTabClick();
    /// Loads the table file at `path` as bbLoadTabClick does after its dialog; a `journal`
    /// is read up to its last complete line (a line cut short by a power cut is left out).
    /// False when the file could not be read or was refused (told to the user).
    bool LoadTableFile(const QString& path, bool journal = false);
    /// "Сохранить таблицу": the list to TableFileName, or as bbSaveAsClick when there is none
    /// or it was chosen for another log. Rows that leave out records of the log are written
    /// over that file only after the user agreed. Both also write the fire test's marks to
    /// "<file>.test.txt".
    void bbSaveTabClick();
    /// "Сохранить таблицу как ...": asks for the file, then writes the list.
    void bbSaveAsClick();
    /// "Сохранить как шаблон": the records of the selected rows as a template file; refused
    /// with a message when a selected row's record is no longer in the log.
    void bbSaveTemplClick();
    void miLoadTabClick();
    void miSaveClick();
    void miSaveAsClick();
    void miSaveTemplClick();
    /// "Журналы…": the list of journals, to open or delete one.
    void miJournalsClick();

    // Editing and view.
    /// "Вырезать" and BitBtn2: removes the selected rows from the list (not from the log).
    void mEraseClick();
    /// "Выделить всё".
    void mSelAllClick();
    /// "Все записи": a set check mark is cleared; otherwise it is set and the list refilled
    /// from the whole log.
    void mAllRecClick();
    /// "Закрыть": hides the window; its rows and settings stay.
    void miCloseClick();

signals:
    /// A table file was loaded into the log (its marks into the fire test).
    void LogLoaded();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildToolBar();
    void BuildMenu();
    QWidget* BuildHeader();
    void SetDistLabel();
    /// Shows every row of the model, in one step.
    void ShowModelRows();
    void MakeLastRowCurrent();
    void ConnectHandlers();
    /// Positions of the selected rows, ascending.
    std::vector<int> SelectedRows() const;
    /// Writes the rows of the log to `path` (rows of an earlier log leave the list first), and
    /// the marks beside it; false (after telling the user) on failure.
    bool WriteRows(const QString& path);
    /// The marks beside a loaded table file into the session's test.
    void LoadMarks(const QString& tablePath);
    void ShowRecordAdded(int index);
    void ShowElapsedTime(const QString& text);
    void ShowPortState();

    core::IPrompts& m_prompts;
    core::MeasurementSession& m_session;
    core::TableModel m_model;
    std::uint32_t m_tableFileLog = 0; ///< the log generation TableFileName was chosen for
    QString m_journalDir;
};

} // namespace ui
