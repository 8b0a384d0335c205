// The running copies' folder: a copy sees the others with what they hold, not itself, and not
// the files a killed copy left.
#include "core/files/atomic_file.h"
#include "core/journal/journal.h"
#include "core/session/running_copies.h"
#include "tests/common/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace {

namespace fs = std::filesystem;

// Two registrations in one process stand for two copies: their locks are two open files.
TEST(RunningCopies, ACopySeesTheOthersWithTheirPortAndJournal) {
    test::TempDir dir;
    const std::string running = core::RunningDir(dir.File("data"));
    EXPECT_EQ(running, dir.File("data") + "/vels5/running");
    auto first = std::make_unique<core::CopyRegistration>();
    first->Note("COM3", "");
    ASSERT_TRUE(first->Register(running));
    core::CopyRegistration second;
    ASSERT_TRUE(second.Register(running));
    EXPECT_NE(second.Name(), first->Name());

    std::vector<core::RunningCopy> others = core::OtherRunningCopies(running, second.Name());
    ASSERT_EQ(others.size(), 1u);
    EXPECT_EQ(others[0].name, first->Name());
    EXPECT_EQ(others[0].port, "COM3");
    EXPECT_EQ(others[0].journal, "");
    EXPECT_EQ(core::OtherCopiesQuestion(others),
              "Программа уже запущена (порт COM3, журнал не пишется). Запустить ещё одну копию?");

    first->Note("COM3", "/home/lab/j/2026-01-31_14-05-09.txt");
    others = core::OtherRunningCopies(running, second.Name());
    ASSERT_EQ(others.size(), 1u);
    EXPECT_EQ(others[0].journal, "/home/lab/j/2026-01-31_14-05-09.txt");
    first->Note("", "");
    EXPECT_EQ(core::OtherCopiesQuestion(core::OtherRunningCopies(running, second.Name())),
              "Программа уже запущена (порт не открыт, журнал не пишется). Запустить ещё одну "
              "копию?");
    ASSERT_EQ(core::OtherRunningCopies(running, first->Name()).size(), 1u);

    // The first ends: its files go with it.
    first->Unregister();
    EXPECT_TRUE(core::OtherRunningCopies(running, second.Name()).empty());
    ASSERT_TRUE(first->Register(running));
    EXPECT_EQ(core::OtherRunningCopies(running, second.Name()).size(), 1u);
    first.reset();
    EXPECT_TRUE(core::OtherRunningCopies(running, second.Name()).empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(running), fs::directory_iterator()), 2)
        << "only the second's two files";
}

TEST(RunningCopies, TheFilesOfAKilledCopyAreNotACopyAndAreRemoved) {
    test::TempDir dir;
    const std::string running = dir.File("running");
    ASSERT_TRUE(core::MakeFolders(running));
    // Nobody holds the lock of these: their process is gone.
    ASSERT_TRUE(core::WriteFileAtomically(running + "/4711.lock", ""));
    ASSERT_TRUE(core::WriteFileAtomically(running + "/4711.txt", "port=COM1\r\njournal=\r\n"));
    EXPECT_TRUE(core::OtherRunningCopies(running, "").empty());
    EXPECT_FALSE(fs::exists(running + "/4711.lock"));
    EXPECT_FALSE(fs::exists(running + "/4711.txt"));
    EXPECT_TRUE(core::OtherRunningCopies(dir.File("absent"), "").empty());
}

TEST(RunningCopies, SeveralCopiesAreNamedInOneQuestion) {
    EXPECT_EQ(core::OtherCopiesQuestion({{"1", "COM1", "/j/a.txt"}, {"2", "", ""}}),
              "Программа уже запущена (порт COM1, журнал /j/a.txt), (порт не открыт, журнал не "
              "пишется). Запустить ещё одну копию?");
}

} // namespace
