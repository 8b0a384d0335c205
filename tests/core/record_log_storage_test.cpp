// The record log's slots: a log starts with every slot zero, also when it takes over the slots
// of a log destroyed before it, and copies and moves carry every written slot.
#include "core/log/record_log.h"

#include <gtest/gtest.h>

namespace {

using core::MeasurementRecord;
using core::RecordLog;

constexpr double kSecond = 1.0 / 86'400;
constexpr int kFarSlot = 60'000; // beyond any Count: only the table loader's way reaches it

// Writes `records` records the way the record timer does, and one far slot by hand.
void Fill(RecordLog& log, int records) {
    double now = 46'023.5;
    for (int i = 0; i < records; ++i) {
        log.Accumulate(core::SteadyAt(now), 2.0f + static_cast<float>(i), 0.25);
        now += kSecond;
        ASSERT_EQ(log.Tick(core::SteadyAt(now), 1, false).outcome, core::TickOutcome::Written);
    }
    log[kFarSlot].Ui = 7.5f;
    log[kFarSlot].Time = now;
}

// The index of the first slot that is not all zero, or -1.
int FirstWrittenSlot(const RecordLog& log) {
    for (int i = 0; i < RecordLog::kSlots; ++i) {
        const MeasurementRecord& r = log[i];
        if (r.Ui != 0 || r.m != 0 || r.T != 0 || r.Time != 0)
            return i;
    }
    return -1;
}

TEST(RecordLogStorage, EveryLogStartsZeroAfterAnotherWasUsedAndDestroyed) {
    for (int round = 0; round < 3; ++round) {
        RecordLog log;
        EXPECT_EQ(FirstWrittenSlot(log), -1) << "round " << round;
        EXPECT_EQ(log.Count(), 0);
        EXPECT_EQ(log.NSamples(), -1);
        Fill(log, 50 + round);
        ASSERT_EQ(FirstWrittenSlot(log), 0);
    }
}

TEST(RecordLogStorage, LogsAliveAtTheSameTimeHaveTheirOwnSlots) {
    RecordLog first;
    Fill(first, 3);
    RecordLog second;
    EXPECT_EQ(FirstWrittenSlot(second), -1);
    second[0].Ui = 1.25f;
    EXPECT_FLOAT_EQ(first[0].Ui, 2.0f);
    EXPECT_FLOAT_EQ(first[kFarSlot].Ui, 7.5f);
}

TEST(RecordLogStorage, CopiesAreWholeAndIndependent) {
    RecordLog original;
    Fill(original, 4);
    RecordLog copy(original);
    EXPECT_EQ(copy.Count(), 4);
    EXPECT_EQ(copy.NSamples(), original.NSamples());
    EXPECT_DOUBLE_EQ(copy.LastTime(), original.LastTime());
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(copy[i].Ui, original[i].Ui) << i;
        EXPECT_EQ(copy[i].T, original[i].T) << i;
    }
    EXPECT_FLOAT_EQ(copy[kFarSlot].Ui, 7.5f);
    copy[1].Ui = -1.0f;
    EXPECT_FLOAT_EQ(original[1].Ui, 3.0f);

    RecordLog used;
    Fill(used, 10);
    used = original; // the far slot and records 4..9 of `used` must not survive
    EXPECT_EQ(used.Count(), 4);
    EXPECT_FLOAT_EQ(used[3].Ui, 5.0f);
    EXPECT_EQ(used[4].T, 0);
    EXPECT_FLOAT_EQ(used[4].Ui, 0.0f);
}

TEST(RecordLogStorage, AMoveHandsTheSlotsOver) {
    RecordLog source;
    Fill(source, 2);
    RecordLog moved(std::move(source));
    EXPECT_EQ(moved.Count(), 2);
    EXPECT_FLOAT_EQ(moved[1].Ui, 3.0f);
    source = RecordLog(); // a moved-from log takes a new one
    EXPECT_EQ(FirstWrittenSlot(source), -1);
    moved = std::move(source);
    EXPECT_EQ(FirstWrittenSlot(moved), -1);
}

} // namespace
