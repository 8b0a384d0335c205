// Record log: averaging of status frames and the fixed time grid of the records.
#include "core/log/record_log.h"

#include "core/common/date_time.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace core {
namespace {

constexpr double kMsPerDay = 86'400'000.0;

// Whole seconds as floor(d * 86400) and floor(d * 86400 + 0.5), taken on the duration in
// whole milliseconds.
std::int64_t FloorSeconds(std::int64_t ms) {
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}
std::int64_t RoundSeconds(std::int64_t ms) {
    return FloorSeconds(ms + 500);
}

// A mean beyond the float range (a garbled Di over a short distance) becomes an infinity, as
// the hardware would give, instead of an undefined conversion.
float ToFloat(double value) {
    constexpr double kMax = std::numeric_limits<float>::max();
    if (value > kMax)
        return std::numeric_limits<float>::infinity();
    if (value < -kMax)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

// The zeroed slots of the last log destroyed, for the next log. Zero bytes are the default
// record, and a record is an implicit-lifetime type, so zeroed memory holds records.
std::atomic<MeasurementRecord*> g_spareSlots{nullptr};

MeasurementRecord* AllocateSlots() {
    if (MeasurementRecord* spare = g_spareSlots.exchange(nullptr))
        return spare;
    // A block this large comes from the kernel's zero pages, untouched until written.
    void* slots = std::calloc(RecordLog::kSlots, sizeof(MeasurementRecord));
    if (!slots)
        throw std::bad_alloc();
    return static_cast<MeasurementRecord*>(slots);
}

void ReleaseSlots(MeasurementRecord* slots, int touched) {
    if (!slots)
        return;
    std::memset(static_cast<void*>(slots), 0, sizeof(MeasurementRecord) * touched);
    std::free(g_spareSlots.exchange(slots));
}

} // namespace

RecordLog::RecordLog() : m_records(AllocateSlots()) {}

RecordLog::RecordLog(const RecordLog& other)
    : m_records(AllocateSlots()), m_touched(other.m_touched), m_count(other.m_count),
      m_generation(other.m_generation), m_nSamples(other.m_nSamples), m_sumUi(other.m_sumUi),
      m_sumM(other.m_sumM), m_startTime(other.m_startTime), m_lastTime(other.m_lastTime) {
    std::copy_n(other.m_records, m_touched, m_records);
}

RecordLog& RecordLog::operator=(const RecordLog& other) {
    if (this != &other)
        *this = RecordLog(other);
    return *this;
}

RecordLog::RecordLog(RecordLog&& other) noexcept
    : m_records(std::exchange(other.m_records, nullptr)),
      m_touched(std::exchange(other.m_touched, 0)), m_count(other.m_count),
      m_generation(other.m_generation), m_nSamples(other.m_nSamples), m_sumUi(other.m_sumUi),
      m_sumM(other.m_sumM), m_startTime(other.m_startTime), m_lastTime(other.m_lastTime) {}

RecordLog& RecordLog::operator=(RecordLog&& other) noexcept {
    if (this != &other) {
        ReleaseSlots(m_records, m_touched);
        m_records = std::exchange(other.m_records, nullptr);
        m_touched = std::exchange(other.m_touched, 0);
        m_count = other.m_count;
        // Assigned over: whatever named this log's records before must not match the new ones.
        m_generation = std::max(m_generation, other.m_generation) + 1;
        m_nSamples = other.m_nSamples;
        m_sumUi = other.m_sumUi;
        m_sumM = other.m_sumM;
        m_startTime = other.m_startTime;
        m_lastTime = other.m_lastTime;
    }
    return *this;
}

RecordLog::~RecordLog() {
    ReleaseSlots(m_records, m_touched);
}

std::int64_t DurationMs(double days) {
    return std::llround(days * kMsPerDay);
}

void RecordLog::SetCount(int count) {
    if (count <= m_count)
        ++m_generation;
    m_count = static_cast<std::int16_t>(std::clamp(count, 0, kMaxRecords));
}

const MeasurementRecord& RecordLog::operator[](int index) const {
    assert(index >= 0 && index < kSlots);
    return m_records[static_cast<std::size_t>(index)];
}

MeasurementRecord& RecordLog::operator[](int index) {
    assert(index >= 0 && index < kSlots);
    m_touched = std::max(m_touched, index + 1);
    return m_records[static_cast<std::size_t>(index)];
}

bool RecordLog::Recordable(float ui, double densityDbPerM) {
    constexpr double kMax = std::numeric_limits<float>::max();
    return std::isfinite(ui) && std::isfinite(densityDbPerM) && std::fabs(densityDbPerM) <= kMax;
}

bool RecordLog::Accumulate(ClockTime now, float ui, double densityDbPerM) {
    if (!Recordable(ui, densityDbPerM))
        return false;
    if (m_nSamples < 0) {
        m_startTime = now.wall;
        m_lastTime = m_startTime;
        m_startMs = now.steadyMs;
        m_lastMs = m_startMs;
        m_count = 0;
        ++m_generation;
        m_sumUi = 0;
        m_sumM = 0;
        m_nSamples = 0;
    }
    m_sumUi += ui;
    m_sumM += densityDbPerM;
    // 32,767 frames fit in one interval only at 1,000 frames per second for 30 s; past that
    // the mean would be wrong, so the count stops rather than wraps.
    if (m_nSamples < INT16_MAX)
        ++m_nSamples;
    return true;
}

void RecordLog::SetIdle() {
    m_sumUi = 0;
    m_sumM = 0;
    m_nSamples = -1;
}

bool RecordLog::WouldPassLimit(std::int64_t nextMs) const {
    return RoundSeconds(nextMs - m_startMs) > kMaxT;
}

double RecordLog::WallTimeAt(ClockTime now, std::int64_t gridMs) {
    // Whole milliseconds, the wall clock's resolution: the grid's times carry no rounding
    // noise of their own.
    const std::int64_t wallMs = DurationMs(now.wall) - (now.steadyMs - gridMs);
    return static_cast<double>(wallMs) / kMsPerDay;
}

TickResult RecordLog::Tick(ClockTime now, int periodSec, bool faulty) {
    if (m_nSamples < 0)
        return {TickOutcome::Idle, false};
    const int period = std::max(periodSec, 1);
    if (FloorSeconds(now.steadyMs - m_lastMs) < period)
        return {TickOutcome::NotDue, false};

    const std::int64_t stepMs = std::int64_t{period} * 1000;
    if (m_count == 0) {
        // The log's time base is the time of its first record.
        m_startTime = now.wall;
        m_lastTime = now.wall;
        m_startMs = now.steadyMs;
        m_lastMs = now.steadyMs;
    } else {
        if (m_count >= kMaxRecords || WouldPassLimit(m_lastMs + stepMs))
            return {TickOutcome::AtLimit, true};
        // A fixed grid: a late tick does not shift the following records.
        m_lastMs += stepMs;
        m_lastTime = WallTimeAt(now, m_lastMs);
    }
    if (faulty)
        return {TickOutcome::Skipped, false};
    if (m_count == 0 && m_nSamples == 0)
        return {TickOutcome::Empty, false}; // nothing measured and nothing to repeat

    MeasurementRecord& record = (*this)[m_count];
    const bool copied = m_nSamples == 0;
    if (!copied) {
        record.Ui = ToFloat(m_sumUi / m_nSamples);
        record.m = ToFloat(m_sumM / m_nSamples);
    } else {
        const MeasurementRecord& previous = (*this)[m_count - 1];
        record.Ui = previous.Ui;
        record.m = previous.m;
    }
    record.T = static_cast<std::uint16_t>(ElapsedSeconds());
    record.Time = m_lastTime;
    m_sumUi = 0;
    m_sumM = 0;
    m_nSamples = 0;
    ++m_count;
    const bool full = m_count >= kMaxRecords || WouldPassLimit(m_lastMs + stepMs);
    return {TickOutcome::Written, full, copied};
}

TickResult RecordLog::SkipGap(ClockTime now, int periodSec, bool faulty) {
    if (m_nSamples < 0)
        return {TickOutcome::Idle, false};
    if (m_count == 0) {
        // No time base yet: the log starts again with the frames after the gap.
        m_startTime = m_lastTime = now.wall;
        m_startMs = m_lastMs = now.steadyMs;
        m_sumUi = 0;
        m_sumM = 0;
        m_nSamples = 0;
        return {TickOutcome::Skipped, false};
    }
    const int period = std::max(periodSec, 1);
    const std::int64_t stepMs = std::int64_t{period} * 1000;
    TickResult result{TickOutcome::NotDue, false};
    if (m_nSamples > 0 && now.steadyMs - m_lastMs >= stepMs) {
        // Frames of the interval in progress, which ended in the gap: they are its record.
        result = Tick(now, period, faulty);
        if (result.outcome == TickOutcome::AtLimit || result.limitReached)
            return result;
    }
    const std::int64_t behind = (now.steadyMs - m_lastMs) / stepMs;
    if (behind <= 0)
        return result;
    const std::int64_t target = m_lastMs + behind * stepMs;
    // The next record would lie past 65,535 s: the log is full, as a fault that long would
    // leave it.
    if (m_count >= kMaxRecords || WouldPassLimit(target + stepMs))
        return {result.outcome == TickOutcome::Written ? result.outcome : TickOutcome::AtLimit,
                true};
    m_lastMs = target;
    m_lastTime = WallTimeAt(now, m_lastMs);
    m_sumUi = 0; // nothing from before the gap goes into a later record (kept by a fault)
    m_sumM = 0;
    m_nSamples = 0;
    return result.outcome == TickOutcome::Written ? result
                                                  : TickResult{TickOutcome::Skipped, false};
}

int RecordLog::ElapsedSeconds() const {
    const std::int64_t s = RoundSeconds(m_lastMs - m_startMs);
    return static_cast<int>(std::clamp<std::int64_t>(s, 0, kMaxT));
}

} // namespace core
