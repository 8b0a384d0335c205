// The record log: the fixed table of measurement records and the accumulator that averages
// status frames over each recording period.
#pragma once

#include "core/common/clock.h"

#include <cstdint>

namespace core {

#pragma pack(push, 1)
/// One logged interval. 18 bytes, packed, fields in this order. Read and write the fields
/// by value; do not take their addresses (they are unaligned).
struct MeasurementRecord {
    float Ui = 0;        ///< mean received-signal voltage over the interval, V
    float m = 0;         ///< mean smoke optical density Di / fDist over the interval, dB/m
    std::uint16_t T = 0; ///< seconds since the log's start, whole seconds, 0 to 65,535
    double Time = 0;     ///< date-time of the record (days since 1899-12-30, local time)
};
#pragma pack(pop)
static_assert(sizeof(MeasurementRecord) == 18);

/// What one record-timer tick did (RecordLog::Tick).
enum class TickOutcome : std::uint8_t {
    Idle,    ///< no log is being built (NSamples < 0): nothing done
    NotDue,  ///< less than the period has passed since LastTime
    Skipped, ///< a record was due while a block is faulty: the grid advanced, nothing written
    Empty,   ///< due with Count 0 and no sample: the time base was set, nothing written
    Written, ///< record Count - 1 was written
    AtLimit, ///< due, but the log is full or T would pass 65,535 s: nothing written or moved
};

struct TickResult {
    TickOutcome outcome = TickOutcome::Idle;
    /// No further record can be written to this log (32,767 records, or the next grid point
    /// would be past 65,535 s): recording must stop. Set with Written or AtLimit.
    bool limitReached = false;
    /// Written: the interval had no frame, so the record repeats the one before it.
    bool copied = false;
};

/// The in-memory record log with its accumulator.
///
/// Holds 65,536 record slots allocated once at construction (nothing is allocated per record).
/// Starting a log is cheap: the slots are zero pages that are touched only when written, and
/// the slots of a destroyed log are zeroed where they were used and kept for the next log.
/// `Count` has the range of a signed 16-bit count; at most kMaxRecords records are ever
/// written, and a record's `T` never passes kMaxT. Not thread-safe: GUI thread only.
///
/// `now` is a reading of the caller's clocks. The grid, `T` and every duration come from the
/// steady clock; the wall clock gives only each record's `Time`: the wall time of its grid
/// point, so the "Время" column follows a wall clock that was set or stepped, while the
/// records stay one period apart.
class RecordLog {
public:
    static constexpr int kSlots = 65'536;
    static constexpr int kMaxRecords = 32'767;
    static constexpr int kMaxT = 65'535;

    RecordLog();
    /// Copies every slot and the accumulator.
    RecordLog(const RecordLog& other);
    RecordLog& operator=(const RecordLog& other);
    /// A moved-from log holds no slots: assign to it or destroy it.
    RecordLog(RecordLog&& other) noexcept;
    RecordLog& operator=(RecordLog&& other) noexcept;
    ~RecordLog();

    /// Records 0 to Count() - 1 are valid.
    int Count() const { return m_count; }
    /// Sets Count (the table loader, the save offer); clamped to 0..kMaxRecords. Anything but
    /// a larger Count (records appended to this log) begins a new generation.
    void SetCount(int count);
    /// Changes whenever the log is emptied or replaced (SetCount to no more than Count, a new
    /// log begun by Accumulate), never while records are appended: record i of one
    /// generation is record i of the same log.
    std::uint32_t Generation() const { return m_generation; }
    /// Slot access, index 0..kSlots - 1 (unchecked beyond an assert).
    const MeasurementRecord& operator[](int index) const;
    MeasurementRecord& operator[](int index);

    /// Accumulator state. NSamples -1: idle, no log is being built.
    int NSamples() const { return m_nSamples; }
    double SumUi() const { return m_sumUi; }
    double SumM() const { return m_sumM; }
    /// Wall times (date-times): the Time of record 0 (of the log's start before it), and of
    /// the latest grid point.
    double StartTime() const { return m_startTime; }
    double LastTime() const { return m_lastTime; }
    /// The same two instants on the steady clock (ms).
    std::int64_t StartMs() const { return m_startMs; }
    std::int64_t LastMs() const { return m_lastMs; }

    /// True when a frame's values can enter a record: both finite and within the float range
    /// (a mean of such values is always a finite float, so a record never holds NaN or INF).
    static bool Recordable(float ui, double densityDbPerM);

    /// Adds one fault-free work frame: `ui` in V, `densityDbPerM` = Di / fDist. When idle, a
    /// new log begins first: StartTime = LastTime = now, Count = 0, sums 0, NSamples 0
    /// (the table and graph are not told). A frame that is not Recordable is not added, and
    /// begins no log: false.
    bool Accumulate(ClockTime now, float ui, double densityDbPerM);
    /// A measurement under way inside the meter: sums cleared, NSamples -1 (idle).
    void SetIdle();

    /// The record timer's work at `now` with a period of `periodSec` seconds (values below 1
    /// count as 1). `faulty`: either block reports a fault in the current status. Writes at
    /// most one record per call; a timer that fell behind catches up one record per call, on
    /// the fixed grid of `periodSec` seconds from StartTime. An interval without frames
    /// repeats the previous record's Ui and m.
    TickResult Tick(ClockTime now, int periodSec, bool faulty);

    /// No frame can come for a while (the link was declared lost, the device is gone) or
    /// frames come again after such a gap: the grid moves to `now` without a record for the
    /// time between, so the gap shows as a jump in `T`, as a fault does, and no record is
    /// stamped inside it. Only the interval in progress, if it has ended and holds frames,
    /// is written first, at its own grid point (Written; with `faulty` it is not, as in
    /// Tick). Frames kept from before the gap go into no later record. Before the log's
    /// first record the log starts again at `now`. Never writes a copy. At the limit the grid
    /// stays and limitReached is set, as for Tick.
    TickResult SkipGap(ClockTime now, int periodSec, bool faulty);

    /// Rounded seconds from StartTime to LastTime, 0..kMaxT: the time of the newest record,
    /// shown by the "Ti=" labels.
    int ElapsedSeconds() const;

private:
    bool WouldPassLimit(std::int64_t nextMs) const;
    /// The wall time of the grid point `gridMs`, read through `now`.
    static double WallTimeAt(ClockTime now, std::int64_t gridMs);

    MeasurementRecord* m_records; // kSlots records
    int m_touched = 0;            // slots below this index may have been written
    std::int16_t m_count = 0;
    std::uint32_t m_generation = 0;
    std::int16_t m_nSamples = -1;
    double m_sumUi = 0;
    double m_sumM = 0;
    double m_startTime = 0;
    double m_lastTime = 0;
    std::int64_t m_startMs = 0;
    std::int64_t m_lastMs = 0;
};

/// A duration in days as whole milliseconds (the clock's resolution), so that rounding noise
/// in a difference of two date-times cannot move a whole-second boundary.
std::int64_t DurationMs(double days);

} // namespace core
