// A fire test as it is run: the chosen fire, the fire start and detector alarm marks with
// undo, the verdict kept up to date with every record, and the end-of-test notice.
#pragma once

#include "core/fire/fire_band.h"
#include "core/fire/fire_marks.h"
#include "core/log/record_log.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace core {

/// The log time of `now` (its steady reading) in seconds from the log's start, to 0,1 s, held
/// within 0 to 65 535 s. Before the first record it is 0: the first record sets the log's
/// time base to its own time, so nothing earlier has a log time.
double LogSecondsAt(const RecordLog& log, ClockTime now);

/// Why a test has ended.
enum class TestEnd : std::uint8_t {
    Running,    ///< not ended
    EndValue,   ///< m reached the fire's end-of-test value after the fire start
    AllAlarmed, ///< every listed detector has alarmed
};

/// The state of the test of the current log. GUI thread only; times are log seconds.
class FireTest {
public:
    const TestMarks& Marks() const { return m_marks; }
    const TestFireEnvelope* Fire() const { return FindTestFire(m_marks.fireId); }

    /// Chooses the test fire (1-9, 11, 12; anything else clears the choice).
    void SetFire(int fireId);
    /// "Пуск пожара": the fire starts at `logT`. Undoable.
    void StartFire(double logT);
    /// The fire start corrected by dragging its band on the graph (not a new mark).
    void MoveFireStart(double logT);

    /// Adds a detector; false when the cleaned name is empty.
    bool AddDetector(std::string_view name);
    bool RenameDetector(int index, std::string_view name);
    void RemoveDetector(int index);
    /// "Сработал": detector `index` alarms at `logT` with m = `mDbPerM`, its threshold (a
    /// value that is not a finite number, from a damaged frame, is kept as 0). Undoable.
    bool MarkAlarm(int index, double logT, float mDbPerM);
    /// Takes back the latest fire start or alarm mark still standing; false when none.
    bool Undo();
    bool CanUndo() const { return !m_undo.empty(); }

    /// The log was reset: a new test. The fire start, the alarms, the copied records, the gaps, the
    /// distance and period of a loaded log and the undo history go; the fire and the detectors'
    /// names stay for the next test.
    void NewTest();
    /// Marks read from a file replace the test.
    void Load(const TestMarks& marks);
    /// The distance (metres) and recording period (seconds) the log is recorded with.
    void SetLogSetup(float distanceM, int periodSec) {
        m_marks.distanceM = distanceM;
        m_marks.periodSec = periodSec;
    }
    /// Records with T from `firstT` to `lastT` are copies made while the link was failing.
    void MarkCopied(int firstT, int lastT) { m_marks.copied.push_back({firstT, lastT}); }
    /// The link was broken between the records with T `fromT` and `toT`.
    void MarkGap(int fromT, int toT) { m_marks.gaps.push_back({fromT, toT}); }

    /// Re-evaluates after a record was written, the log was loaded or a mark changed.
    void Update(std::span<const MeasurementRecord> records);
    /// The verdict of the latest Update; empty before the fire start or without a fire.
    const std::optional<BandVerdict>& Verdict() const { return m_verdict; }
    /// "ТП2: в допуске", the intervals outside the band, or what is still missing.
    std::string VerdictLine() const;
    /// The test has reached its end: m reached the fire's end-of-test value after the fire
    /// start, or every listed detector has alarmed.
    bool Ended() const { return m_end != TestEnd::Running; }
    TestEnd End() const { return m_end; }
    /// The end-of-test notice (UTF-8): "Испытание завершено: m достигло 0,75 дБ/м" or
    /// "Испытание завершено: сработали все извещатели"; empty while the test runs.
    std::string EndText() const;
    /// True once each time the test reaches its end (the notice and the beep).
    bool TakeEndNotice();

private:
    struct UndoStep {
        int detectorId = -1; ///< -1: the fire start
        std::optional<double> previousT;
        float previousM = 0;
    };
    int IndexOf(int detectorId) const;

    TestMarks m_marks;
    std::vector<int> m_ids; ///< stable id of each detector, parallel to m_marks.detectors
    int m_nextId = 0;
    std::vector<UndoStep> m_undo;
    std::optional<BandVerdict> m_verdict;
    TestEnd m_end = TestEnd::Running;
    bool m_noticePending = false;
};

} // namespace core
