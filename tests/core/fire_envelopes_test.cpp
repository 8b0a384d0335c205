// The test-fire bands: transcription, shape and lookup by name.
#include "core/fire/fire_envelopes.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using core::EnvelopeAt;
using core::FindTestFire;
using core::TestFireEnvelope;

TEST(TestFires, ElevenFiresInOverlayOrderWithTheirIdentifiers) {
    std::vector<int> ids;
    std::vector<std::string> names;
    for (const TestFireEnvelope& f : core::TestFires()) {
        ids.push_back(f.id);
        names.emplace_back(f.name);
    }
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12}));
    EXPECT_EQ(names, (std::vector<std::string>{"ТП1", "ТП2", "ТП3", "ТП4", "ТП5", "ТП2А", "ТП2Б",
                                               "ТП3А", "ТП3Б", "ТП5А", "ТП5Б"}));
}

// Where each band begins and ends: catches a mistyped corner in any row.
struct BandKeys {
    const char* name;
    float upperStart;    // m at t = 0
    int lowerLeavesZero; // t of the lower limit's first corner (m = 0)
    int upperEnd, lowerEnd;
    float endM; // both limits end at this density
};

TEST(TestFires, BandsMatchTheTable) {
    const BandKeys keys[] = {
        {"ТП1", 0.05f, 220, 270, 370, 0.75f},    {"ТП2", 0.05f, 400, 570, 840, 2.0f},
        {"ТП3", 0.05f, 120, 280, 640, 2.0f},     {"ТП4", 0.05f, 80, 140, 180, 1.73f},
        {"ТП5", 0.2f, 5, 120, 240, 1.24f},       {"ТП2А", 0.01f, 780, 960, 1440, 0.05f},
        {"ТП2Б", 0.01f, 780, 1140, 2000, 0.15f}, {"ТП3А", 0.01f, 360, 660, 1200, 0.05f},
        {"ТП3Б", 0.01f, 240, 660, 1200, 0.15f},  {"ТП5А", 0.01f, 360, 780, 1200, 0.1f},
        {"ТП5Б", 0.01f, 360, 780, 1020, 0.3f},
    };
    for (const BandKeys& k : keys) {
        SCOPED_TRACE(k.name);
        const TestFireEnvelope* f = FindTestFire(k.name);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->upper.front().tSec, 0);
        EXPECT_EQ(f->upper.front().mDbPerM, k.upperStart);
        EXPECT_EQ(f->lower.front().tSec, k.lowerLeavesZero);
        EXPECT_EQ(f->lower.front().mDbPerM, 0.0f);
        EXPECT_EQ(f->upper.back().tSec, k.upperEnd);
        EXPECT_EQ(f->lower.back().tSec, k.lowerEnd);
        EXPECT_EQ(f->upper.back().mDbPerM, k.endM);
        EXPECT_EQ(f->lower.back().mDbPerM, k.endM);
    }
    // The middle corners of the three-point upper limits.
    EXPECT_EQ(FindTestFire("ТП1")->upper[1].tSec, 130);
    EXPECT_EQ(FindTestFire("ТП2")->upper[1].tSec, 150);
    EXPECT_EQ(FindTestFire("ТП4")->upper[1].tSec, 40);
    EXPECT_EQ(FindTestFire("ТП4")->upper[1].mDbPerM, 0.2f);
    EXPECT_EQ(FindTestFire("ТП2Б")->upper[1].tSec, 480);
    EXPECT_EQ(FindTestFire("ТП5Б")->upper[1].tSec, 240);
}

TEST(TestFires, CornersAscendInTimeAndTheUpperLimitNeverFallsBelowTheLower) {
    for (const TestFireEnvelope& f : core::TestFires()) {
        SCOPED_TRACE(std::string(f.name));
        for (auto line : {f.upper, f.lower})
            for (std::size_t i = 1; i < line.size(); ++i)
                EXPECT_LT(line[i - 1].tSec, line[i].tSec);
        for (int t = 0; t <= 2100; ++t)
            ASSERT_GE(EnvelopeAt(f.upper, t), EnvelopeAt(f.lower, t)) << "t=" << t;
    }
}

TEST(TestFires, EnvelopeInterpolatesAndHoldsItsEnds) {
    const TestFireEnvelope& tp1 = *FindTestFire(1);
    EXPECT_FLOAT_EQ(EnvelopeAt(tp1.upper, 0), 0.05f);
    EXPECT_FLOAT_EQ(EnvelopeAt(tp1.upper, 130), 0.05f);
    EXPECT_FLOAT_EQ(EnvelopeAt(tp1.upper, 200), 0.4f);
    EXPECT_FLOAT_EQ(EnvelopeAt(tp1.upper, 1000), 0.75f);
    EXPECT_FLOAT_EQ(EnvelopeAt(tp1.lower, 0), 0.0f);
    EXPECT_FLOAT_EQ(EnvelopeAt(tp1.lower, 219.5), 0.0f);
    EXPECT_FLOAT_EQ(EnvelopeAt(tp1.lower, 295), 0.375f);
    EXPECT_FLOAT_EQ(EnvelopeAt(tp1.lower, 370), 0.75f);
    EXPECT_FLOAT_EQ(EnvelopeAt(tp1.lower, 5000), 0.75f);
    EXPECT_FLOAT_EQ(EnvelopeAt({}, 10), 0.0f);
}

TEST(TestFires, FoundByIdentifierOnlyForTheElevenFires) {
    EXPECT_EQ(FindTestFire(6)->name, "ТП2А");
    EXPECT_EQ(FindTestFire(12)->name, "ТП5Б");
    for (int id : {0, 10, 13, -1})
        EXPECT_EQ(FindTestFire(id), nullptr) << id;
}

TEST(TestFires, NamesAcceptedInCyrillicLatinAndEitherCase) {
    struct Row {
        const char* text;
        int id;
    };
    const Row rows[] = {{"ТП1", 1},  {"TP1", 1},   {"tp1", 1},   {"тп1", 1},  {"ТП2А", 6},
                        {"TP2A", 6}, {"tp2a", 6},  {"ТП2а", 6},  {"TП2Б", 7}, {"TP2B", 7},
                        {"ТП3Б", 9}, {"TP5A", 11}, {"ТП5Б", 12}, {"tp5b", 12}};
    for (const Row& r : rows) {
        const TestFireEnvelope* f = FindTestFire(std::string_view(r.text));
        ASSERT_NE(f, nullptr) << r.text;
        EXPECT_EQ(f->id, r.id) << r.text;
    }
}

TEST(TestFires, UnknownNamesAreRefused) {
    for (const char* text : {"", "ТП", "TP", "ТП6", "TP0", "TP2C", "ТП4А", "ТП2АА", " TP1", "TP1 ",
                             "ТП1\xD0", "ПТ1", "TP 1", "10"})
        EXPECT_EQ(FindTestFire(std::string_view(text)), nullptr) << text;
}

} // namespace
