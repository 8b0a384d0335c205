#include "core/atomic_file.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
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

TEST_F(AtomicFile, ReadingAMissingFileFails) {
    std::string read = "untouched";
    EXPECT_FALSE(core::ReadWholeFile(m_dir + "/absent", read));
}

} // namespace
