// Record log: averaging of status frames and the fixed time grid of the records.
#include "core/record_log.h"

#include "core/date_time.h"

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

bool RecordLog::Accumulate(double now, float ui, double densityDbPerM) {
    if (!Recordable(ui, densityDbPerM))
        return false;
    if (m_nSamples < 0) {
        m_startTime = now;
        m_lastTime = m_startTime;
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

bool RecordLog::WouldPassLimit(double nextTime) const {
    return RoundSeconds(DurationMs(nextTime - m_startTime)) > kMaxT;
}

TickResult RecordLog::Tick(double now, int periodSec, bool faulty) {
    if (m_nSamples < 0)
        return {TickOutcome::Idle, false};
    const int period = std::max(periodSec, 1);
    if (FloorSeconds(DurationMs(now - m_lastTime)) < period)
        return {TickOutcome::NotDue, false};

    const double step = period / kSecondsPerDay;
    if (m_count == 0) {
        // The log's time base is the time of its first record.
        m_startTime = now;
        m_lastTime = now;
    } else {
        if (m_count >= kMaxRecords || WouldPassLimit(m_lastTime + step))
            return {TickOutcome::AtLimit, true};
        // A fixed grid: a late tick does not shift the following records.
        m_lastTime += step;
    }
    if (faulty)
        return {TickOutcome::Skipped, false};
    if (m_count == 0 && m_nSamples == 0)
        return {TickOutcome::Empty, false}; // nothing measured and nothing to repeat

    MeasurementRecord& record = (*this)[m_count];
    if (m_nSamples > 0) {
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
    const bool full = m_count >= kMaxRecords || WouldPassLimit(m_lastTime + step);
    return {TickOutcome::Written, full};
}

int RecordLog::ElapsedSeconds() const {
    const std::int64_t s = RoundSeconds(DurationMs(m_lastTime - m_startTime));
    return static_cast<int>(std::clamp<std::int64_t>(s, 0, kMaxT));
}

} // namespace core
