// Whole-file reads: only regular files, never blocking, never past a kind's size limit.
// Each read that could hang or fill the memory without these rules runs in a child process
// that the test waits for with a bounded wait on its answer, and ends if it does not come.
#include "core/files/file_read.h"
#include "tests/common/temp_dir.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELS5_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VELS5_ASAN 1
#endif

namespace {

constexpr int kAnswerWaitMs = 60'000; // generous: an answer comes in well under a second

struct ChildRead {
    bool answered = false;
    core::FileReadResult result;
    std::size_t bytes = 0;
};

// ReadWholeFile(path, maxBytes) in a child; its outcome comes back through a pipe.
ChildRead ReadInChild(const std::string& path, std::size_t maxBytes) {
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
#ifndef VELS5_ASAN
        // A reader without a limit would otherwise take the machine's memory.
        const rlimit limit{1ul << 30, 1ul << 30};
        setrlimit(RLIMIT_AS, &limit);
#endif
        // The child only reads and answers: it must never go on with the test run.
        try {
            std::string bytes;
            const core::FileReadResult r = core::ReadWholeFile(path, bytes, maxBytes);
            const long answer[3] = {static_cast<long>(r.failure), r.errorCode,
                                    static_cast<long>(bytes.size())};
            (void)!write(fds[1], answer, sizeof answer);
        } catch (...) {
        }
        _exit(0);
    }
    close(fds[1]);
    ChildRead read;
    pollfd p{fds[0], POLLIN, 0};
    long answer[3] = {0, 0, 0};
    if (pid > 0 && poll(&p, 1, kAnswerWaitMs) == 1 &&
        ::read(fds[0], answer, sizeof answer) == static_cast<ssize_t>(sizeof answer)) {
        read.answered = true;
        read.result = {static_cast<core::ReadFailure>(answer[0]), static_cast<int>(answer[1])};
        read.bytes = static_cast<std::size_t>(answer[2]);
    }
    close(fds[0]);
    if (pid > 0) {
        kill(pid, SIGKILL); // our own child, stuck or done
        waitpid(pid, nullptr, 0);
    }
    return read;
}

TEST(ReadWholeFile, FifoIsRefusedWithoutWaitingForAWriter) {
    test::TempDir dir;
    const std::string fifo = dir.File("vels5.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const ChildRead read = ReadInChild(fifo, core::read_limit::kSettings);
    ASSERT_TRUE(read.answered) << "the read blocked on the FIFO";
    EXPECT_EQ(read.result.failure, core::ReadFailure::NotRegular);
    EXPECT_EQ(read.bytes, 0u);
}

TEST(ReadWholeFile, LinkToADeviceIsRefusedWithoutReading) {
    test::TempDir dir;
    const std::string link = dir.File("2026-01-31_14-05-09.txt");
    ASSERT_EQ(symlink("/dev/zero", link.c_str()), 0);
    const ChildRead read = ReadInChild(link, core::read_limit::kTable);
    ASSERT_TRUE(read.answered) << "the read of /dev/zero did not end";
    EXPECT_EQ(read.result.failure, core::ReadFailure::NotRegular);
    EXPECT_EQ(read.bytes, 0u);
}

TEST(ReadWholeFile, FileOverItsKindsLimitIsRefused) {
    test::TempDir dir;
    const std::string path = dir.File("big.txt");
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    // 20 MB of empty lines: a sparse file, read back as zeros unless refused by its size.
    ASSERT_EQ(ftruncate(fd, 20'000'000), 0);
    close(fd);
    std::string bytes = "old";
    const core::FileReadResult r = core::ReadWholeFile(path, bytes, core::read_limit::kTable);
    EXPECT_EQ(r.failure, core::ReadFailure::TooLarge);
    EXPECT_EQ(r.errorCode, EFBIG);
    EXPECT_TRUE(bytes.empty());

    const std::string settings = dir.File("vels5.ini");
    const int out = open(settings.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(out, 0);
    const std::string line = "Form1 Top=50\r\n";
    for (std::size_t n = 0; n <= core::read_limit::kSettings; n += line.size())
        ASSERT_EQ(write(out, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    close(out);
    EXPECT_EQ(core::ReadWholeFile(settings, bytes, core::read_limit::kSettings).failure,
              core::ReadFailure::TooLarge);
    ASSERT_TRUE(core::ReadWholeFile(settings, bytes, core::read_limit::kTable));
    EXPECT_GT(bytes.size(), core::read_limit::kSettings);
}

TEST(ReadWholeFile, FolderAndAbsentFileSayWhy) {
    test::TempDir dir;
    std::string bytes;
    const core::FileReadResult folder = core::ReadWholeFile(dir.Path().string(), bytes);
    EXPECT_EQ(folder.failure, core::ReadFailure::NotRegular);
    EXPECT_EQ(folder.errorCode, EISDIR);
    const core::FileReadResult absent = core::ReadWholeFile(dir.File("absent"), bytes);
    EXPECT_EQ(absent.failure, core::ReadFailure::CannotOpen);
    EXPECT_EQ(absent.errorCode, ENOENT);
}

} // namespace
