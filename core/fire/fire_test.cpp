// The fire test of the current log: marks, undo, verdict and end-of-test notice.
#include "core/fire/fire_test.h"

#include "core/common/format.h"

#include <algorithm>
#include <cmath>

namespace core {

double LogSecondsAt(const RecordLog& log, ClockTime now) {
    if (log.Count() == 0)
        return 0;
    const std::int64_t ms = now.steadyMs - log.StartMs();
    const double seconds = std::round(static_cast<double>(ms) / 100.0) / 10.0;
    return std::clamp(seconds, 0.0, static_cast<double>(RecordLog::kMaxT));
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
    d.thresholdDbPerM = std::isfinite(mDbPerM) ? mDbPerM : 0.0f;
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
    m_marks.copied.clear();
    m_marks.gaps.clear();
    m_marks.distanceM.reset(); // a new log takes the parameters it is recorded with
    m_marks.periodSec.reset();
    for (DetectorMark& d : m_marks.detectors) {
        d.alarmT.reset();
        d.thresholdDbPerM = 0;
    }
    m_undo.clear();
    m_verdict.reset();
    m_end = TestEnd::Running;
    m_noticePending = false;
}

void FireTest::Load(const TestMarks& marks) {
    m_marks = marks;
    m_ids.clear();
    for (std::size_t i = 0; i < m_marks.detectors.size(); ++i)
        m_ids.push_back(m_nextId++);
    m_undo.clear();
    m_verdict.reset();
    m_end = TestEnd::Running;
    m_noticePending = false;
}

void FireTest::Update(std::span<const MeasurementRecord> records) {
    const TestFireEnvelope* fire = Fire();
    const bool wasEnded = Ended();
    m_verdict.reset();
    m_end = TestEnd::Running;
    const std::optional<double> allAlarmed =
        m_marks.AllAlarmed() ? m_marks.LastAlarmT() : std::nullopt;
    if (fire && m_marks.fireStartT) {
        const double start = *m_marks.fireStartT;
        m_verdict = CheckTest(*fire, records, start, allAlarmed, std::nullopt, m_marks.gaps);
        const std::optional<double> reached = EndValueReachedT(*fire, records, start);
        if (reached && !(allAlarmed && *allAlarmed < *reached))
            m_end = TestEnd::EndValue;
    }
    if (allAlarmed && m_end == TestEnd::Running)
        m_end = TestEnd::AllAlarmed;
    if (Ended() && !wasEnded)
        m_noticePending = true;
    if (!Ended())
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

std::string FireTest::EndText() const {
    switch (m_end) {
    case TestEnd::Running:
        return {};
    case TestEnd::EndValue:
        return "Испытание завершено: m достигло " + FormatDecimal(EndOfTestValue(*Fire()), 5, 2) +
               " дБ/м";
    case TestEnd::AllAlarmed:
        return "Испытание завершено: сработали все извещатели";
    }
    return {};
}

bool FireTest::TakeEndNotice() {
    const bool pending = m_noticePending;
    m_noticePending = false;
    return pending;
}

} // namespace core
