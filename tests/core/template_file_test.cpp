#include "core/common/cp1251.h"
#include "core/files/template_file.h"

#include <gtest/gtest.h>

namespace {

using core::FileRefusal;
using core::ReadTemplateFile;

std::vector<core::MeasurementRecord> Records(std::initializer_list<std::pair<int, float>> points) {
    std::vector<core::MeasurementRecord> records;
    for (const auto& [t, m] : points) {
        core::MeasurementRecord r;
        r.T = static_cast<std::uint16_t>(t);
        r.m = m;
        r.Ui = 4.0f;
        records.push_back(r);
    }
    return records;
}

std::string File(std::initializer_list<std::string> linesUtf8) {
    std::string text;
    for (const std::string& line : linesUtf8)
        text += line + "\r\n";
    return core::Utf8ToCp1251(text);
}

void ExpectRefused(const core::TemplateFileLoad& load, std::string_view message, int line,
                   FileRefusal::Kind kind = FileRefusal::Kind::Notice) {
    ASSERT_FALSE(load);
    EXPECT_EQ(load.refusal->message, message);
    EXPECT_EQ(load.refusal->line, line);
    EXPECT_EQ(load.refusal->kind, kind);
    EXPECT_TRUE(load.points.empty());
}

TEST(TemplateFile, TimesCountFromTheFirstPointAndArePaddedToSix) {
    const auto records = Records({{120, 0.05f}, {125, 0.0625f}, {130, 1.5f}});
    const auto lines = core::FormatTemplateLines(records, ";", true);
    EXPECT_EQ(lines,
              (std::vector<std::string>{"    0;  0,050дБ", "    5;  0,063дБ", "   10;  1,500дБ"}));
    EXPECT_EQ(core::Utf8ToCp1251(lines[0]).size(), 15u);
    EXPECT_EQ(core::FormatTemplateLines(records, ";", false)[2], "   10;  1,500");
    EXPECT_EQ(core::FormatTemplateFile(lines),
              "    0;  0,050\xE4\xC1\r\n    5;  0,063\xE4\xC1\r\n   10;  1,500\xE4\xC1\r\n");
    // Six characters already: no padding; a two-byte delimiter counts as one character.
    EXPECT_EQ(core::FormatTemplateLines(Records({{0, 0}, {12345, 0}}), "\xC2\xA7", false)[1],
              "12345\xC2\xA7  0,000");
}

TEST(TemplateFile, WrittenWithOrWithoutUnitsLoadsToTheSamePoints) {
    const auto records = Records({{7, -0.25f}, {8, 0.0f}, {9, 12.5f}, {1009, 3.125f}});
    std::vector<core::TemplatePoint> seen[2];
    for (const bool isUnit : {true, false}) {
        const auto load = ReadTemplateFile(
            core::FormatTemplateFile(core::FormatTemplateLines(records, ";", isUnit)));
        ASSERT_TRUE(load);
        seen[isUnit] = load.points;
    }
    ASSERT_EQ(seen[0].size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(seen[0][i].T, seen[1][i].T);
        EXPECT_EQ(seen[0][i].m, seen[1][i].m);
    }
    EXPECT_EQ(seen[0][3].T, 1002);
    EXPECT_FLOAT_EQ(seen[0][0].m, -0.25f); // the sign is kept
    EXPECT_FLOAT_EQ(seen[0][3].m, 3.125f);
}

TEST(TemplateFile, TwoLinesAreTooFewAndThreeAreEnough) {
    ExpectRefused(ReadTemplateFile(""), "Файл шаблона пустой", 0);
    ExpectRefused(ReadTemplateFile(File({"    0;  0,050", "    5;  0,060"})), "Файл шаблона пустой",
                  0);
    const auto load = ReadTemplateFile("0;0,1\n5;0,2\r10;0,3");
    ASSERT_TRUE(load);
    EXPECT_EQ(load.points[2].T, 10);
    EXPECT_FLOAT_EQ(load.points[2].m, 0.3f);
}

TEST(TemplateFile, LinesOutside4To30CharactersAreTemplateErrors) {
    const std::string good = "    0;  0,050";
    const std::string line30 = std::string(17, ' ') + good; // fields good, 30 characters
    EXPECT_TRUE(ReadTemplateFile(File({good, line30, good})));
    ExpectRefused(ReadTemplateFile(File({good, " " + line30, good})), "Ошибка шаблона", 2);
    ExpectRefused(ReadTemplateFile(File({good, good, "1;2"})), "Ошибка шаблона", 3);
    EXPECT_TRUE(ReadTemplateFile(File({good, good, "1;23"})));
}

TEST(TemplateFile, DamagedAndUnconvertibleLines) {
    const std::string good = "    0;  0,050";
    ExpectRefused(ReadTemplateFile(File({good, "   12345", good})), "Файл шаблона повреждён", 2);
    ExpectRefused(ReadTemplateFile(File({good, good, "  5;  no digit"})), "Файл шаблона повреждён",
                  3);
    ExpectRefused(ReadTemplateFile(File({good, "70000;  0,1", good})), "Файл шаблона повреждён", 2);
    ExpectRefused(ReadTemplateFile(File({"  -5;  0,050", good, good})),
                  "'' is not a valid integer value", 1, FileRefusal::Kind::Conversion);
    const std::string huge(20, '9');
    ExpectRefused(ReadTemplateFile(File({good, huge + ";0,5", good})),
                  "'" + huge + "' is not a valid integer value", 2, FileRefusal::Kind::Conversion);
    // A one-digit m at the end of the line is its last character: no digit before it.
    ExpectRefused(ReadTemplateFile(File({good, good, "12;1"})), "Файл шаблона повреждён", 3);
}

TEST(TemplateFile, RefusedLoadLeavesTheStoreAsItWas) {
    core::TemplateStore store;
    store.TemplatePoints = {{0, 1.0f}, {5, 2.0f}, {10, 3.0f}};
    store.NTempl = 3;
    store.TemplFile = "/some/where.txt";
    const auto refused = ReadTemplateFile(File({"0;0,5", "5;0,6", "x"}));
    EXPECT_FALSE(core::ApplyTemplateLoad(refused, store));
    EXPECT_EQ(store.NTempl, 3);
    ASSERT_EQ(store.TemplatePoints.size(), 3u);
    EXPECT_FLOAT_EQ(store.TemplatePoints[2].m, 3.0f);

    EXPECT_TRUE(core::ApplyTemplateLoad(
        ReadTemplateFile(File({"0;0,5", "5;0,6", "9;0,7", "12;1,5"})), store));
    EXPECT_EQ(store.NTempl, 4);
    EXPECT_EQ(store.TemplatePoints[3].T, 12);
    EXPECT_EQ(store.TemplFile, "/some/where.txt");
}

TEST(TemplateFile, MoreLinesThanTheCountCanNumberAreRefused) {
    std::string text;
    for (int i = 0; i < core::TemplateStore::kMaxPoints; ++i)
        text += "0;0,5\r\n";
    const auto full = ReadTemplateFile(text);
    ASSERT_TRUE(full);
    core::TemplateStore store;
    ASSERT_TRUE(core::ApplyTemplateLoad(full, store));
    EXPECT_EQ(store.NTempl, 32767);
    text += "0;0,5\r\n";
    ExpectRefused(ReadTemplateFile(text), "Файл шаблона длиннее 32\u00A0767 строк", 32768);
}

} // namespace
