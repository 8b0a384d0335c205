// The window "Испытание": what its controls and shortcuts do to the test.
#include "core/session/measurement_session.h"
#include "ui/fire/form_test.h"
#include "ui/graph/form_graph.h"
#include "ui/main/session_signals.h"

#include <QComboBox>
#include <QTableWidget>

namespace ui {

void TFormTest::Follow(const SessionSignals& events) {
    connect(&events, &SessionSignals::StateChanged, this, &TFormTest::ShowTest);
}

void TFormTest::Changed() {
    m_session.UpdateTest();
    Shown();
}

void TFormTest::Shown() {
    ShowTest();
    emit TestChanged();
}

void TFormTest::SetGraph(TFormGraph* graph) {
    if (m_graph)
        disconnect(m_graph, &TFormGraph::OverlayChosen, this, nullptr);
    m_graph = graph;
    if (m_graph)
        connect(m_graph, &TFormGraph::OverlayChosen, this, &TFormTest::GraphOverlayChosen);
    ShowTest();
}

bool TFormTest::SyncFire() {
    if (!m_graph)
        return false;
    const core::TestFireEnvelope* shown = core::FindTestFire(m_graph->View.bVeiwTP);
    const core::TestFireEnvelope* fire = m_session.Test().Fire();
    if (!shown)
        return false; // none or the template: the test keeps its fire
    if (!fire) {
        m_session.Test().SetFire(shown->id);
        m_session.UpdateTest();
        return true;
    }
    if (fire != shown)
        m_graph->miTPn_Click(fire->id);
    return false;
}

void TFormTest::GraphOverlayChosen(int id) {
    const core::TestFireEnvelope* fire = m_session.Test().Fire();
    if (!core::FindTestFire(id) || (fire && fire->id == id))
        return;
    m_session.Test().SetFire(id);
    Changed();
}

void TFormTest::cbFireChange(int index) {
    const int id = cbFire->itemData(index).toInt();
    m_session.Test().SetFire(id);
    // Chosen here, the fire is shown on the graph as well.
    if (m_graph && m_graph->View.bVeiwTP != id && core::FindTestFire(id))
        m_graph->miTPn_Click(id);
    Changed();
}

void TFormTest::bbStartClick() {
    SyncFire();
    if (m_session.StartFire())
        Shown();
}

void TFormTest::bbAlarmClick(int row) {
    if (m_session.MarkAlarm(row))
        Shown();
}

void TFormTest::bbAddClick() {
    core::FireTest& test = m_session.Test();
    test.AddDetector(core::NextDetectorName(test.Marks()));
    Changed();
    tvDetectors->setCurrentCell(tvDetectors->rowCount() - 1, 0);
    ShowTest();
}

void TFormTest::bbRenameClick() {
    if (QTableWidgetItem* name = tvDetectors->item(tvDetectors->currentRow(), 0))
        tvDetectors->editItem(name);
}

void TFormTest::bbRemoveClick() {
    const int row = tvDetectors->currentRow();
    if (row < 0)
        return;
    m_session.Test().RemoveDetector(row);
    Changed();
}

void TFormTest::bbUndoClick() {
    if (m_session.Test().Undo())
        Changed();
}

void TFormTest::tvDetectorsItemChanged(QTableWidgetItem* item) {
    if (m_applying || item->column() != 0)
        return;
    const bool renamed = m_session.Test().RenameDetector(item->row(), item->text().toStdString());
    // The name as kept: cleaned, or the old one when the new one was refused.
    m_applying = true;
    item->setText(QString::fromStdString(
        m_session.Test().Marks().detectors[static_cast<std::size_t>(item->row())].name));
    m_applying = false;
    if (renamed)
        Changed();
}

} // namespace ui
