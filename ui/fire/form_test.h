// The window "Испытание": a fire test as lab staff run it. The fire, the fire start, the
// detectors under test with their alarms and thresholds, the verdict line and the end-of-test
// notice. Its logic is the measurement session's core::FireTest; the window shows it.
#pragma once

#include "core/fire/fire_view.h"

#include <QWidget>
#include <array>
#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

namespace core {
class MeasurementSession;
}

namespace ui {

class SessionSignals;
class TFormGraph;

class TFormTest final : public QWidget {
    Q_OBJECT
public:
    /// Shortcuts of "Сработал" for the first detectors: Ctrl+1 ... Ctrl+9.
    static constexpr int kAlarmShortcuts = 9;

    /// Runs the test of `session` (owned by the main window, which outlives this window).
    /// GUI thread only.
    explicit TFormTest(core::MeasurementSession& session, QWidget* parent = nullptr);

    /// Follows the session from now on: ShowTest after every change of the session, so the
    /// test follows every record and reset and its end notice beeps even while hidden.
    void Follow(const SessionSignals& events);

    /// The graph window. The test has one fire, the same there and here: a test fire chosen
    /// on the graph becomes the test's, one chosen here is shown on the graph, a test without
    /// a fire takes the one the graph shows, and a graph showing another fire than the test's
    /// (a test loaded from a file) shows the test's. "Убрать ТП" and the template hide the
    /// band but leave the test's fire as it is.
    void SetGraph(TFormGraph* graph);

    QComboBox* cbFire;
    QPushButton* bbStart;
    QLabel* lStart;
    QTableWidget* tvDetectors; ///< name, alarm time, threshold, a "Сработал" button per row
    QPushButton* bbAdd;
    QPushButton* bbRename;
    QPushButton* bbRemove;
    QPushButton* bbUndo;
    QLabel* lRatio;
    QLabel* lVerdict;
    QLabel* lEnd;
    /// "Пуск пожара" (F2) and "Сработал" of detectors 1-9 (Ctrl+1 ... Ctrl+9), with the
    /// application-wide shortcut context: the owner adds them to a window that is always
    /// shown, so they work from every window of the program.
    QAction* aStart;
    std::array<QAction*, kAlarmShortcuts> aAlarm{};
    QList<QAction*> ShortcutActions() const;

    /// Sounds the end-of-test notice; QApplication::beep unless replaced.
    std::function<void()> Beep;

    /// Shows the test as it stands and beeps once when it has just ended. Called after every
    /// change of the session (Follow); cheap when nothing changed.
    void ShowTest();

    // Handlers (form_test_handlers.cpp). Each changes the test, then shows it and emits
    // TestChanged.
    void cbFireChange(int index);
    /// "Пуск пожара": the fire starts now (its fire, if none is chosen, the graph's).
    void bbStartClick();
    /// "Сработал" of the detector in `row`.
    void bbAlarmClick(int row);
    /// "Добавить": a detector named "И" and the first free number.
    void bbAddClick();
    /// "Переименовать": edits the current detector's name in place.
    void bbRenameClick();
    /// "Удалить": the current detector with its alarm.
    void bbRemoveClick();
    /// "Отменить отметку": takes back the latest fire start or alarm.
    void bbUndoClick();
    /// A name edited in the list; an empty one is refused and the old name shown again.
    void tvDetectorsItemChanged(QTableWidgetItem* item);

signals:
    /// The marks changed: the graph shows them anew.
    void TestChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void BuildShortcuts();
    void ApplyView(const core::TestView& view);
    void ApplyRows(const core::TestView& view);
    void ApplyMarkable();
    /// Brings the test's fire and the graph's together (see SetGraph); true when the test
    /// changed.
    bool SyncFire();
    /// A test fire chosen on the graph.
    void GraphOverlayChosen(int id);
    void Changed();
    /// The test was changed through the session: shown, and TestChanged emitted.
    void Shown();

    core::MeasurementSession& m_session;
    TFormGraph* m_graph = nullptr;
    core::TestView m_shown;
    bool m_applying = false; ///< the window itself is writing the list
};

} // namespace ui
