// The marks file beside a table file: written with the table, removed when there is nothing to
// keep, found, missing, unreadable or damaged on loading.
#include "core/common/cp1251.h"
#include "core/fire/fire_marks.h"
#include "tests/common/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using core::MarksBeside;

class MarksBesideTable : public testing::Test {
protected:
    void SetUp() override { m_table = m_dir + "/опыт 1.txt"; }
    void TearDown() override { chmod(m_dir.c_str(), 0700); }
    static core::TestMarks Marks() {
        core::TestMarks marks;
        marks.fireId = 12;
        marks.fireStartT = 3.4;
        marks.detectors = {{"И1", 40.1, 0.125f}, {"И2", std::nullopt, 0}};
        return marks;
    }
    test::TempDir m_temp{"vels5-marks-"};
    std::string m_dir = m_temp.Path().string();
    std::string m_table;
};

TEST_F(MarksBesideTable, SavedAndLoadedBack) {
    ASSERT_TRUE(core::SaveMarksBeside(m_table, Marks()));
    EXPECT_TRUE(fs::exists(m_table + ".test.txt"));
    const MarksBeside beside = core::LoadMarksBeside(m_table);
    EXPECT_EQ(beside.status, MarksBeside::Status::Loaded);
    EXPECT_EQ(beside.path, m_table + ".test.txt");
    ASSERT_TRUE(beside.load);
    EXPECT_EQ(*beside.load.marks, Marks());
}

TEST_F(MarksBesideTable, NothingToKeepRemovesTheEarlierMarks) {
    ASSERT_TRUE(core::SaveMarksBeside(m_table, Marks()));
    ASSERT_TRUE(core::SaveMarksBeside(m_table, core::TestMarks{}));
    EXPECT_FALSE(fs::exists(m_table + ".test.txt"));
    EXPECT_EQ(core::LoadMarksBeside(m_table).status, MarksBeside::Status::Absent);
    EXPECT_TRUE(core::SaveMarksBeside(m_table, core::TestMarks{})) << "none there: no failure";
}

TEST_F(MarksBesideTable, DamagedAndUnreadableFilesAreTold) {
    std::ofstream(m_table + ".test.txt", std::ios::binary)
        << core::Utf8ToCp1251("ВЕЛС-5 испытание\r\nПуск=1.5\r\n");
    MarksBeside beside = core::LoadMarksBeside(m_table);
    EXPECT_EQ(beside.status, MarksBeside::Status::Damaged);
    EXPECT_EQ(beside.load.line, 2);
    EXPECT_EQ(beside.load.error, "Файл испытания повреждён");
    fs::remove(m_table + ".test.txt");
    fs::create_directory(m_table + ".test.txt"); // there, but no file to read
    EXPECT_EQ(core::LoadMarksBeside(m_table).status, MarksBeside::Status::Unreadable);
}

TEST_F(MarksBesideTable, AFailedWriteKeepsTheEarlierMarks) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into a read-only folder";
    ASSERT_TRUE(core::SaveMarksBeside(m_table, Marks()));
    chmod(m_dir.c_str(), 0500);
    core::TestMarks other = Marks();
    other.fireStartT = 9;
    const core::FileWriteResult written = core::SaveMarksBeside(m_table, other);
    EXPECT_FALSE(written);
    EXPECT_EQ(written.error, "Cannot create file " + m_table + ".test.txt");
    const core::FileWriteResult removed = core::SaveMarksBeside(m_table, core::TestMarks{});
    EXPECT_FALSE(removed);
    EXPECT_EQ(removed.error, "Cannot delete file " + m_table + ".test.txt");
    EXPECT_EQ(removed.reason, "Permission denied");
    chmod(m_dir.c_str(), 0700);
    EXPECT_EQ(*core::LoadMarksBeside(m_table).load.marks, Marks());
}

} // namespace
