// The table window: the record log as fixed-layout text rows, fed live by the main window.
#pragma once

#include "core/table_view.h"

#include <QMainWindow>

class QAction;
class QLabel;
class QListWidget;
class QToolBar;
class QToolButton;

namespace core {
class MeasurementSession;
}

namespace ui {

class IPrompts;

class TFormTabl final : public QMainWindow {
    Q_OBJECT
public:
    /// Reads the record log and the distance of `session` (owned by the main window, which
    /// outlives this window). GUI thread only.
    TFormTabl(IPrompts& prompts, const core::MeasurementSession& session,
              QWidget* parent = nullptr);

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
    QAction* miClose;
    QAction* mErase;
    QAction* mSelAll;
    QAction* mViewLastLine;
    QAction* mAllRec;

    /// Stored view options (follow mode, delimiter, unit suffixes), with the values a new
    /// window starts from. Change follow mode through SetViewLastLine so its controls follow.
    core::TableView View;
    /// File last chosen with "Сохранить таблицу как ...".
    QString TableFileName;

    /// Appends the row of log record `index` (called while the window is visible).
    void AddRecordRow(int index);
    /// Empties the list.
    void ClearRows();
    /// Each showing: empty list, follow mode off, "Li=" label.
    void FormShow();
    /// Sets follow mode with its menu check mark and button, which always change together.
    void SetViewLastLine(bool on);
    void mViewLastLineClick();
    void sbLastLineClick() { mViewLastLineClick(); }
    /// The file-load controls bbLoadTab and miLoadTab (enabled exactly while no port is open).
    void SetLoadEnabled(bool enabled);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildToolBar();
    void BuildMenu();
    QWidget* BuildHeader();
    void SetDistLabel();
    void MakeLastRowCurrent();

    IPrompts& m_prompts;
    const core::MeasurementSession& m_session;
};

} // namespace ui
