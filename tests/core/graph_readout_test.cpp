// The readout under the cursor: the nearest record, its lines, Δ values, the box and the click.
#include "core/common/date_time.h"
#include "core/fire/fire_envelopes.h"
#include "core/graph/graph_readout.h"
#include "core/graph/graph_scale.h"
#include "core/graph/graph_view.h"
#include "tests/core/fixed_text_measure.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using core::PaintRole;
using core::RecordRange;

constexpr int kW = 1064, kH = 394; // plot bottom 369, plot width 989

std::vector<core::MeasurementRecord> Records(std::initializer_list<int> times,
                                             float mStep = 0.01f) {
    std::vector<core::MeasurementRecord> records;
    int i = 0;
    for (int t : times) {
        core::MeasurementRecord r;
        r.T = static_cast<std::uint16_t>(t);
        r.m = mStep * static_cast<float>(i++);
        r.Ui = 4.0f;
        records.push_back(r);
    }
    return records;
}

std::vector<core::MeasurementRecord> Evenly(int count) {
    std::vector<core::MeasurementRecord> records;
    for (int i = 0; i < count; ++i) {
        core::MeasurementRecord r;
        r.T = static_cast<std::uint16_t>(i);
        r.m = 0.001f * static_cast<float>(i);
        r.Ui = 4.0f - 0.001f * static_cast<float>(i);
        records.push_back(r);
    }
    return records;
}

TEST(NearestRecord, AtBothEndsOfTheViewOnlyDrawnRecordsCount) {
    // 501 records, 200 across, panned back by 100: the view shows records 200 to 399.
    const std::vector<core::MeasurementRecord> log = Evenly(501);
    const RecordRange range = core::ChooseRecords(501, 200, 100);
    ASSERT_EQ(range, (RecordRange{201, 400}));
    // Left of the left edge and at it: the view's first record, never an older one.
    EXPECT_EQ(core::NearestRecord(log, range, 201, 200, 150.0), 201);
    EXPECT_EQ(core::NearestRecord(log, range, 201, 200, 201.2), 201);
    // At and past the right edge: the view's last record, not the newer ones the pan hides.
    EXPECT_EQ(core::NearestRecord(log, range, 201, 200, 400.4), 400);
    EXPECT_EQ(core::NearestRecord(log, range, 201, 200, 480.0), 400);
    EXPECT_EQ(core::NearestRecord(log, range, 201, 200, 300.6), 301);
    // Fewer records than fit: the last one, however far right the mouse is.
    const std::vector<core::MeasurementRecord> few = Evenly(10);
    EXPECT_EQ(core::NearestRecord(few, core::ChooseRecords(10, 200, 0), 0, 200, 190.0), 9);
    EXPECT_EQ(core::NearestRecord({}, core::ChooseRecords(0, 200, 0), 0, 200, 10.0), std::nullopt);
}

TEST(NearestRecord, AcrossAGapInTimeTheNearerSideWins) {
    // The link was lost from 9 s to 100 s: records stop and resume with a jump in T.
    const std::vector<core::MeasurementRecord> log = Records({0, 3, 6, 9, 100, 103, 106});
    const RecordRange range{0, 199};
    EXPECT_EQ(core::NearestRecord(log, range, 0, 200, 40.0), 3);  // T = 9
    EXPECT_EQ(core::NearestRecord(log, range, 0, 200, 60.0), 4);  // T = 100
    EXPECT_EQ(core::NearestRecord(log, range, 0, 200, 54.5), 3);  // equally near: the older
    EXPECT_EQ(core::NearestRecord(log, range, 0, 200, 102.0), 5); // T = 103
    // A record past the right edge (T beyond t0 + span) is not drawn and never chosen.
    const std::vector<core::MeasurementRecord> jump = Records({0, 1, 2, 500});
    EXPECT_EQ(core::NearestRecord(jump, range, 0, 200, 199.0), 2);
}

TEST(Readout, ValuesAndDifferencesFromTheReferencePoint) {
    std::vector<core::MeasurementRecord> log = Evenly(200);
    log[150].Time = core::EncodeDateTime({2026, 3, 4, 12, 34, 56, 0});
    log[150].m = 0.125f;
    log[120].m = 0.175f;
    core::Readout r = core::ReadRecord(log, 150, core::kUnitDbPerM, nullptr, 0, 120);
    ASSERT_TRUE(r.reference);
    EXPECT_EQ(r.DeltaSec(), 30);
    EXPECT_FLOAT_EQ(r.DeltaValue(), 0.125f - 0.175f);
    EXPECT_EQ(core::ReadoutLines(r),
              (std::vector<std::string>{"T=150 с (02:30)", "Время 12:34:56", "m=0,125 дБ/м",
                                        "Δt=+30 с (00:30)", "Δm=-0,050 дБ/м"}));
    // The reference after the record: a negative Δt; in percent the value is k.
    r = core::ReadRecord(log, 10, core::kUnitPercent, nullptr, 0, 75);
    const std::vector<std::string> lines = core::ReadoutLines(r);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "T=10 с (00:10)");
    EXPECT_EQ(lines[3], "Δt=-65 с (-01:05)");
    EXPECT_EQ(lines[4], "Δk=-1,304 %"); // Ui was 65 mV higher: less attenuation
    EXPECT_NEAR(r.DeltaValue(), -100.0 * 0.065 / 4.985, 1e-3);
    // No reference, or one outside the log: no Δ lines.
    EXPECT_EQ(core::ReadoutLines(core::ReadRecord(log, 10, 2, nullptr, 0, 900)).size(), 3u);
    EXPECT_EQ(core::MinutesSeconds(3725), "62:05");
}

TEST(Readout, FireTimeAndTheBandLimitsWhileTheBandIsDrawn) {
    const std::vector<core::MeasurementRecord> log = Evenly(400);
    core::GraphTest test;
    test.fire =
        core::FindTestFire(4); // ТП4: upper (0 0,05)(40 0,2)(140 1,73), lower (80 0)(180 1,73)
    test.fireStartT = 100.5;
    // 59,5 s into the fire: upper 0,2 + 1,53 x 19,5/100; no lower limit before 80 s.
    core::Readout r = core::ReadRecord(log, 160, core::kUnitDbPerM, &test, 4, std::nullopt);
    std::vector<std::string> lines = core::ReadoutLines(r);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3], "От пуска 59,5 с");
    EXPECT_EQ(lines[4], "ТП4: верх 0,498 дБ/м");
    EXPECT_EQ(lines[5], "ТП4: низ нет");
    // 129,5 s in: the lower limit 49,5 % of the way from 80 s to 180 s.
    r = core::ReadRecord(log, 230, core::kUnitDbPerM, &test, 4, std::nullopt);
    EXPECT_EQ(core::ReadoutLines(r)[5], "ТП4: низ 0,856 дБ/м");
    // Before the start: the fire time is negative and the band says nothing yet.
    lines = core::ReadoutLines(core::ReadRecord(log, 40, 0, &test, 4, std::nullopt));
    EXPECT_EQ(lines.back(), "От пуска -60,5 с");
    // The band not drawn (another overlay, or another scale): the fire time alone.
    EXPECT_EQ(core::ReadoutLines(core::ReadRecord(log, 160, 0, &test, 0, std::nullopt)).size(), 4u);
    EXPECT_EQ(core::ReadoutLines(core::ReadRecord(log, 160, 2, &test, 4, std::nullopt)).size(), 4u);
}

struct Drawn {
    core::GraphView view;
    std::vector<core::MeasurementRecord> log = Evenly(201);
    core::PaintList list;
    test::FixedTextMeasure measure;

    void Draw(std::optional<core::PaintPoint> hover, std::optional<int> reference) {
        const core::GraphMaps maps(kW, kH, view, 1, 0.0f, 0.25f);
        core::ReadoutInput in;
        in.records = log;
        in.range = core::ChooseRecords(201, 200, 0);
        in.hover = hover;
        in.reference = reference;
        list.Clear();
        core::DrawReadout(list, maps, view, in, measure);
    }
    const core::PaintItem* First(PaintRole role) const {
        for (const core::PaintItem& item : list.Items())
            if (item.role == role)
                return &item;
        return nullptr;
    }
};

TEST(DrawReadout, BoxBesideTheCursorStaysInsideThePicture) {
    Drawn d;
    d.Draw(std::nullopt, std::nullopt);
    EXPECT_TRUE(d.list.Items().empty()); // no cursor, no reference: the picture as it was
    d.Draw(core::PaintPoint{302, 100}, std::nullopt);
    const core::PaintItem* box = d.First(PaintRole::ReadoutBox);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->x1, 318);
    EXPECT_EQ(box->y1, 116);
    EXPECT_EQ(box->colour, d.view.cMargin);
    // The record under column 302: (302 - 75) x 200 / 989 = 45,9 s.
    const core::PaintItem* text = d.First(PaintRole::ReadoutText);
    ASSERT_TRUE(text);
    EXPECT_EQ(d.list.TextOf(*text), "T=46 с (00:46)");
    EXPECT_EQ(text->colour, d.view.cFont);
    // Near the right and bottom edges the box goes left of and above the cursor.
    d.Draw(core::PaintPoint{1050, 360}, std::nullopt);
    box = d.First(PaintRole::ReadoutBox);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->x2, 1050 - 16);
    EXPECT_EQ(box->y2, 360 - 16);
    EXPECT_EQ(d.list.TextOf(*d.First(PaintRole::ReadoutText)), "T=197 с (03:17)");
}

TEST(DrawReadout, ReferencePointStaysMarkedWithoutTheCursor) {
    Drawn d;
    d.Draw(std::nullopt, 100);
    const core::PaintItem* line = d.First(PaintRole::ReadoutMark);
    ASSERT_TRUE(line);
    const int x = 75 + 100 * 989 / 200;
    EXPECT_EQ(line->kind, core::PaintKind::Line);
    EXPECT_EQ(line->x1, x);
    EXPECT_EQ(line->x2, x);
    EXPECT_EQ(d.First(PaintRole::ReadoutBox), nullptr);
    // With the cursor: the box carries the Δ lines.
    d.Draw(core::PaintPoint{x + 100, 50}, 100);
    std::vector<std::string> texts;
    for (const core::PaintItem& item : d.list.Items())
        if (item.role == PaintRole::ReadoutText)
            texts.emplace_back(d.list.TextOf(item));
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[3], "Δt=+20 с (00:20)");
    EXPECT_EQ(texts[4], "Δm=+0,020 дБ/м");
}

TEST(GraphCursor, ClickSetsMovesAndClearsTheReference) {
    core::GraphCursor c;
    c.Press(200, 100);
    c.Move(202, 101, true); // within the slop: still a click
    EXPECT_EQ(c.Release(), (core::PaintPoint{200, 100}));
    EXPECT_TRUE(c.Click(42));
    EXPECT_EQ(c.reference, 42);
    EXPECT_TRUE(c.Click(50)); // elsewhere: the reference moves
    EXPECT_EQ(c.reference, 50);
    EXPECT_TRUE(c.Click(50)); // on it: it goes
    EXPECT_EQ(c.reference, std::nullopt);
    EXPECT_FALSE(c.Click(std::nullopt));
    // A drag is no click.
    c.Press(200, 100);
    c.Move(210, 100, true);
    c.Move(200, 100, true);
    EXPECT_EQ(c.Release(), std::nullopt);
    EXPECT_EQ(c.Release(), std::nullopt); // no press
    // The hover follows the mouse over the plot only; Esc clears the reference.
    EXPECT_EQ(c.hover, (core::PaintPoint{200, 100}));
    c.Move(10, 100, false);
    EXPECT_EQ(c.hover, std::nullopt);
    c.Click(3);
    EXPECT_TRUE(c.ClearReference());
    EXPECT_FALSE(c.ClearReference());
}

} // namespace
