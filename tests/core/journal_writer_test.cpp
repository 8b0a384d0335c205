// The live journal file: rows written at once, synced at most every interval and on demand,
// never a half row, never another file replaced, and after a failure the next row catches up.
#include "core/common/date_time.h"
#include "core/files/atomic_file.h"
#include "core/files/sys_file.h"
#include "core/journal/journal.h"
#include "core/journal/journal_writer.h"
#include "tests/common/temp_dir.h"

#include <cerrno>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const double kStart = core::EncodeDateTime({2026, 1, 31, 14, 5, 9, 0});
constexpr std::int64_t kSteadyMs = 5'000'000; // the steady clock's reading at kStart

std::string Read(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(core::ReadWholeFile(path, bytes)) << path;
    return bytes;
}

// Real system calls, counted; a write may be told to fail or to stop halfway.
struct CountingIo {
    int syncs = 0;
    int writes = 0;
    int failWriteAt = -1; ///< the write call (0-based) that fails with ENOSPC after half
    int interruptWriteAt = -1;
    bool failSync = false;

    core::JournalIo Io() {
        return {[this](int fd, const void* data, std::size_t size) -> ssize_t {
                    const int call = writes++;
                    if (call == interruptWriteAt) {
                        errno = EINTR;
                        return -1;
                    }
                    if (call == failWriteAt) {
                        const auto half = core::sys::Write(fd, data, size / 2);
                        (void)half;
                        errno = ENOSPC;
                        return -1;
                    }
                    return core::sys::Write(fd, data, size);
                },
                [this](int fd) {
                    ++syncs;
                    if (failSync) {
                        errno = EIO;
                        return -1;
                    }
                    return core::sys::SyncData(fd) ? 0 : -1;
                }};
    }
};

class JournalWriterTest : public ::testing::Test {
protected:
    std::string Dir() const { return dir.File("data/vels5/journal"); }
    test::TempDir dir;
    CountingIo io;
};

TEST_F(JournalWriterTest, WritesEveryRowAtOnceAndSyncsAtMostEveryInterval) {
    core::JournalWriter writer(io.Io(), 700);
    ASSERT_TRUE(writer.Open(Dir(), kStart));
    EXPECT_EQ(writer.Path(), Dir() + "/2026-01-31_14-05-09.txt");
    std::int64_t now = kSteadyMs;
    ASSERT_TRUE(writer.Append("a\r\n", now));
    EXPECT_EQ(io.syncs, 1) << "the first row is synced at once";
    ASSERT_TRUE(writer.Append("b\r\n", now += 300));
    EXPECT_EQ(io.syncs, 1);
    EXPECT_TRUE(writer.Pending());
    EXPECT_EQ(Read(writer.Path()), "a\r\nb\r\n") << "written before it is synced";
    ASSERT_TRUE(writer.Tick(now += 399));
    EXPECT_EQ(io.syncs, 1) << "699 ms after the last sync";
    ASSERT_TRUE(writer.Tick(now += 1));
    EXPECT_EQ(io.syncs, 2);
    EXPECT_FALSE(writer.Pending());
    ASSERT_TRUE(writer.Tick(now += 5000));
    EXPECT_EQ(io.syncs, 2) << "nothing waits: no sync";
    ASSERT_TRUE(writer.Append("c\r\n", now));
    EXPECT_EQ(io.syncs, 3);
    EXPECT_EQ(writer.Lines(), 3);
}

TEST_F(JournalWriterTest, SyncAndCloseTakeWhatWaits) {
    core::JournalWriter writer(io.Io(), 700);
    ASSERT_TRUE(writer.Open(Dir(), kStart));
    ASSERT_TRUE(writer.Append("a\r\n", kSteadyMs));
    ASSERT_TRUE(writer.Append("b\r\n", kSteadyMs));
    EXPECT_EQ(io.syncs, 1);
    ASSERT_TRUE(writer.Sync());
    EXPECT_EQ(io.syncs, 2);
    ASSERT_TRUE(writer.Append("c\r\n", kSteadyMs));
    writer.Close();
    EXPECT_EQ(io.syncs, 3);
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(Read(writer.Path()), "a\r\nb\r\nc\r\n");
    EXPECT_TRUE(writer.Append("d\r\n", kSteadyMs)) << "closed: nothing to do, no failure";
    EXPECT_EQ(Read(writer.Path()), "a\r\nb\r\nc\r\n");
}

TEST_F(JournalWriterTest, NeverOpensAnExistingFile) {
    ASSERT_TRUE(core::MakeFolders(Dir()));
    const std::string taken = Dir() + "/" + core::JournalFileName(kStart);
    ASSERT_TRUE(core::WriteFileAtomically(taken, "earlier\r\n"));
    core::JournalWriter writer(io.Io());
    ASSERT_TRUE(writer.Open(Dir(), kStart));
    EXPECT_EQ(writer.Path(), Dir() + "/2026-01-31_14-05-09-2.txt");
    ASSERT_TRUE(writer.Append("new\r\n", kSteadyMs));
    EXPECT_EQ(Read(taken), "earlier\r\n");
    core::JournalWriter third(io.Io());
    ASSERT_TRUE(third.Open(Dir(), kStart));
    EXPECT_EQ(third.Path(), Dir() + "/2026-01-31_14-05-09-3.txt");
}

TEST_F(JournalWriterTest, AFailedWriteLeavesOnlyWholeRowsAndTheNextAppendCatchesUp) {
    io.failWriteAt = 1;
    core::JournalWriter writer(io.Io());
    ASSERT_TRUE(writer.Open(Dir(), kStart));
    ASSERT_TRUE(writer.Append("12:00:00;    0\r\n", kSteadyMs));
    const core::FileWriteResult failed = writer.Append("12:00:01;    1\r\n", kSteadyMs);
    EXPECT_FALSE(failed);
    EXPECT_EQ(failed.errorCode, ENOSPC);
    EXPECT_EQ(failed.error, "Cannot write file " + writer.Path());
    EXPECT_EQ(failed.reason, "No space left on device");
    EXPECT_TRUE(writer.Failed());
    EXPECT_TRUE(writer.IsOpen()) << "kept open (and locked) to try again";
    EXPECT_EQ(writer.Lines(), 1);
    EXPECT_EQ(Read(writer.Path()), "12:00:00;    0\r\n") << "the half row is cut off";
    // Space came back: the rows from Lines() on go in, synced at once.
    const int syncs = io.syncs;
    ASSERT_TRUE(writer.Append("12:00:01;    1\r\n12:00:02;    2\r\n", kSteadyMs));
    EXPECT_FALSE(writer.Failed());
    EXPECT_EQ(io.syncs, syncs + 1);
    EXPECT_EQ(writer.Lines(), 3);
    EXPECT_EQ(Read(writer.Path()), "12:00:00;    0\r\n12:00:01;    1\r\n12:00:02;    2\r\n");
}

TEST_F(JournalWriterTest, AFailedSyncTakesBackTheRowsSinceTheLastGoodOne) {
    core::JournalWriter writer(io.Io(), 700);
    ASSERT_TRUE(writer.Open(Dir(), kStart));
    ASSERT_TRUE(writer.Append("a\r\n", kSteadyMs)); // synced
    ASSERT_TRUE(writer.Append("b\r\n", kSteadyMs + 100));
    io.failSync = true;
    EXPECT_FALSE(writer.Tick(kSteadyMs + 800));
    EXPECT_TRUE(writer.Failed());
    EXPECT_EQ(writer.Lines(), 1) << "b may never have reached the disk";
    EXPECT_EQ(Read(writer.Path()), "a\r\n");
    io.failSync = false;
    ASSERT_TRUE(writer.Append("b\r\nc\r\n", kSteadyMs + 900));
    EXPECT_FALSE(writer.Pending()) << "synced at once after the failure";
    EXPECT_EQ(Read(writer.Path()), "a\r\nb\r\nc\r\n");
}

TEST_F(JournalWriterTest, AnInterruptedWriteIsRepeated) {
    io.interruptWriteAt = 0;
    core::JournalWriter writer(io.Io());
    ASSERT_TRUE(writer.Open(Dir(), kStart));
    ASSERT_TRUE(writer.Append("a\r\n", kSteadyMs));
    EXPECT_EQ(Read(writer.Path()), "a\r\n");
}

TEST_F(JournalWriterTest, AFailedSyncIsAFailure) {
    io.failSync = true;
    core::JournalWriter writer(io.Io());
    ASSERT_TRUE(writer.Open(Dir(), kStart));
    const core::FileWriteResult failed = writer.Append("a\r\n", kSteadyMs);
    EXPECT_FALSE(failed);
    EXPECT_EQ(failed.reason, "Input/output error");
    EXPECT_TRUE(writer.Failed());
    EXPECT_EQ(writer.Lines(), 0);
}

TEST_F(JournalWriterTest, AFolderThatCannotBeMadeFailsTheOpen) {
    // A regular file where a folder should be: refused for root as well.
    ASSERT_TRUE(core::WriteFileAtomically(dir.File("data"), "x"));
    core::JournalWriter writer(io.Io());
    const core::FileWriteResult failed = writer.Open(Dir(), kStart);
    EXPECT_FALSE(failed);
    EXPECT_EQ(failed.errorCode, ENOTDIR);
    EXPECT_TRUE(writer.Failed());
    EXPECT_FALSE(writer.IsOpen());
    // The next log tries again.
    ASSERT_TRUE(core::RemoveFileIfPresent(dir.File("data")));
    EXPECT_TRUE(writer.Open(Dir(), kStart));
    EXPECT_FALSE(writer.Failed());
}

} // namespace
