#include "core/files/atomic_file.h"
#include "core/files/file_lock.h"

#include <algorithm>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

namespace {

class AtomicFile : public testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/vels5_atomic_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
    }
    void TearDown() override {
        for (const std::string& name : Entries())
            unlink((m_dir + "/" + name).c_str());
        rmdir((m_dir + "/sub").c_str());
        rmdir(m_dir.c_str());
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        if (DIR* d = opendir(m_dir.c_str())) {
            while (dirent* e = readdir(d)) {
                const std::string name = e->d_name;
                if (name != "." && name != ".." && name != "sub")
                    names.push_back(name);
            }
            closedir(d);
        }
        return names;
    }
    std::string m_dir;
};

TEST_F(AtomicFile, WritesExactBytesAndLeavesNoTemporaryFile) {
    const std::string path = m_dir + "/vels5.ini";
    const std::string bytes("a\r\nb\0c\xFF", 7);
    const auto result = core::WriteFileAtomically(path, bytes);
    ASSERT_TRUE(result.ok) << result.error << ": " << result.reason;
    std::string read;
    ASSERT_TRUE(core::ReadWholeFile(path, read));
    EXPECT_EQ(read, bytes);
    EXPECT_EQ(Entries(), std::vector<std::string>{"vels5.ini"});
}

TEST_F(AtomicFile, NewFileFollowsTheUmaskAndAnExistingOneKeepsItsMode) {
    const std::string path = m_dir + "/t.txt";
    const mode_t old = umask(022);
    ASSERT_TRUE(core::WriteFileAtomically(path, "one").ok);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    chmod(path.c_str(), 0600);
    ASSERT_TRUE(core::WriteFileAtomically(path, "two").ok);
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    umask(old);
    std::string read;
    ASSERT_TRUE(core::ReadWholeFile(path, read));
    EXPECT_EQ(read, "two");
}

TEST_F(AtomicFile, MissingFolderFailsWithTheCreateMessage) {
    const std::string path = m_dir + "/nowhere/vels5.ini";
    const auto result = core::WriteFileAtomically(path, "x");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "Cannot create file " + path);
    EXPECT_EQ(result.reason, "No such file or directory");
    EXPECT_TRUE(Entries().empty());
}

TEST_F(AtomicFile, FailedRenameKeepsTheTargetAndRemovesTheTemporaryFile) {
    // A directory in the target's place cannot be replaced by a file.
    const std::string path = m_dir + "/sub";
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    const auto result = core::WriteFileAtomically(path, "x");
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.errorCode, 0);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_TRUE(Entries().empty());
}

TEST_F(AtomicFile, UnwritableFolderKeepsTheEarlierFile) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    const std::string path = m_dir + "/keep.txt";
    ASSERT_TRUE(core::WriteFileAtomically(path, "earlier").ok);
    chmod(m_dir.c_str(), 0555);
    const auto result = core::WriteFileAtomically(path, "later");
    chmod(m_dir.c_str(), 0755);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "Permission denied");
    std::string read;
    ASSERT_TRUE(core::ReadWholeFile(path, read));
    EXPECT_EQ(read, "earlier");
}

// A kill during a save leaves ".<name>.tmp-..." beside the target; the next write into the
// folder removes it once it is old and nobody holds its lock.
TEST_F(AtomicFile, AWriteRemovesOldTemporaryFilesThatAKilledSaveLeft) {
    const auto make = [this](const std::string& name, long ageSeconds) {
        const std::string path = m_dir + "/" + name;
        // Made directly: an atomic write would already clean up the folder.
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(write(fd, "part", 4), 4);
        close(fd);
        const timeval times[2] = {{std::time(nullptr) - ageSeconds, 0},
                                  {std::time(nullptr) - ageSeconds, 0}};
        EXPECT_EQ(utimes(path.c_str(), times), 0);
        return path;
    };
    const long old = core::kStaleTempSeconds + 60;
    make(".t1.txt.tmp-4711-0-123456", old);                           // left by a kill
    make(".t2.txt.tmp-4711-1-123456", core::kStaleTempSeconds - 600); // may be under way
    const std::string lockedOld = make(".t3.txt.tmp-4712-0-99", old);
    make(".t4.txt.tmp-47x2-0-99", old); // not our naming
    make("t5.txt.tmp-4711-0-1", old);   // not hidden: not ours
    ASSERT_EQ(mkdir((m_dir + "/.d.tmp-1-2-3").c_str(), 0777), 0);
    // A save under way in another program holds the lock of its temporary file.
    const int fd = open(lockedOld.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(core::LockOpenFile(fd));

    ASSERT_TRUE(core::WriteFileAtomically(m_dir + "/t.txt", "new"));
    std::vector<std::string> names = Entries();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".d.tmp-1-2-3", ".t2.txt.tmp-4711-1-123456",
                                               ".t3.txt.tmp-4712-0-99", ".t4.txt.tmp-47x2-0-99",
                                               "t.txt", "t5.txt.tmp-4711-0-1"}));
    close(fd);
    EXPECT_EQ(core::RemoveStaleTempFiles(m_dir), std::vector<std::string>{lockedOld});
    rmdir((m_dir + "/.d.tmp-1-2-3").c_str());
}

TEST_F(AtomicFile, ReadingAMissingFileFails) {
    std::string read = "untouched";
    EXPECT_FALSE(core::ReadWholeFile(m_dir + "/absent", read));
}

} // namespace
