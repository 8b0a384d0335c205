// The fire test of the current log: marks, undo, verdict and end-of-test notice.
#include "core/fire_test.h"

#include <cmath>

namespace core {

double LogSecondsAt(const RecordLog& log, double now) {
    const std::int64_t ms = DurationMs(now - log.StartTime());
    return std::round(static_cast<double>(ms) / 100.0) / 10.0;
}

void FireTest::SetFire(int fireId) {
    m_marks.fireId = FindTestFire(fireId) ? fireId : 0;
}

void FireTest::StartFire(double logT) {
    m_undo.push_back({-1, m_marks.fireStartT, 0});
    m_marks.fireStartT = logT;
}

void FireTest::MoveFireStart(double logT) {
    m_marks.fireStartT = logT < 0 ? 0 : logT;
}

bool FireTest::AddDetector(std::string_view name) {
    std::string clean = CleanDetectorName(name);
    if (clean.empty())
        return false;
    m_marks.detectors.push_back({std::move(clean), std::nullopt, 0});
    m_ids.push_back(m_nextId++);
    return true;
}

bool FireTest::RenameDetector(int index, std::string_view name) {
    std::string clean = CleanDetectorName(name);
    if (clean.empty() || index < 0 || index >= static_cast<int>(m_ids.size()))
        return false;
    m_marks.detectors[static_cast<std::size_t>(index)].name = std::move(clean);
    return true;
}

void FireTest::RemoveDetector(int index) {
    if (index < 0 || index >= static_cast<int>(m_ids.size()))
        return;
    m_marks.detectors.erase(m_marks.detectors.begin() + index);
    m_ids.erase(m_ids.begin() + index);
}

bool FireTest::MarkAlarm(int index, double logT, float mDbPerM) {
    if (index < 0 || index >= static_cast<int>(m_ids.size()))
        return false;
    DetectorMark& d = m_marks.detectors[static_cast<std::size_t>(index)];
    m_undo.push_back({m_ids[static_cast<std::size_t>(index)], d.alarmT, d.thresholdDbPerM});
    d.alarmT = logT;
    d.thresholdDbPerM = mDbPerM;
    return true;
}

int FireTest::IndexOf(int detectorId) const {
    for (std::size_t i = 0; i < m_ids.size(); ++i)
        if (m_ids[i] == detectorId)
            return static_cast<int>(i);
    return -1;
}

bool FireTest::Undo() {
    while (!m_undo.empty()) {
        const UndoStep step = m_undo.back();
        m_undo.pop_back();
        if (step.detectorId < 0) {
            m_marks.fireStartT = step.previousT;
            return true;
        }
        const int index = IndexOf(step.detectorId);
        if (index < 0)
            continue; // the detector was removed with its mark
        DetectorMark& d = m_marks.detectors[static_cast<std::size_t>(index)];
        d.alarmT = step.previousT;
        d.thresholdDbPerM = step.previousM;
        return true;
    }
    return false;
}

void FireTest::NewTest() {
    m_marks.fireStartT.reset();
    m_marks.closed = false;
    for (DetectorMark& d : m_marks.detectors) {
        d.alarmT.reset();
        d.thresholdDbPerM = 0;
    }
    m_undo.clear();
    m_verdict.reset();
    m_ended = false;
    m_noticePending = false;
}

void FireTest::Load(const TestMarks& marks) {
    m_marks = marks;
    m_ids.clear();
    for (std::size_t i = 0; i < m_marks.detectors.size(); ++i)
        m_ids.push_back(m_nextId++);
    m_undo.clear();
    m_verdict.reset();
    m_ended = false;
    m_noticePending = false;
}

void FireTest::Update(std::span<const MeasurementRecord> records) {
    const TestFireEnvelope* fire = Fire();
    const bool wasEnded = m_ended;
    m_verdict.reset();
    m_ended = false;
    if (fire && m_marks.fireStartT) {
        const double start = *m_marks.fireStartT;
        const std::optional<double> lastAlarm = m_marks.LastAlarmT();
        const double end = TestEndT(*fire, records, start, lastAlarm);
        m_verdict = CheckTestFire(*fire, records, start, end);
        const float endValue = EndOfTestValue(*fire);
        for (const MeasurementRecord& r : records)
            if (r.T >= start && r.m >= endValue)
                m_ended = true;
    }
    if (m_marks.AllAlarmed())
        m_ended = true;
    if (m_ended && !wasEnded)
        m_noticePending = true;
    if (!m_ended)
        m_noticePending = false;
}

std::string FireTest::VerdictLine() const {
    const TestFireEnvelope* fire = Fire();
    if (!fire)
        return "Тестовый пожар не выбран";
    if (!m_verdict)
        return std::string(fire->name) + ": пуск пожара не отмечен";
    return VerdictText(*fire, *m_verdict);
}

bool FireTest::TakeEndNotice() {
    const bool pending = m_noticePending;
    m_noticePending = false;
    return pending;
}

} // namespace core
