// The session's journal on a fake clock: a row per record in the table window's format, on
// disk within a second, a new file per log, the closing marker only for a normal end, the
// marks and the save note beside it, and a failing disk told once while the log goes on.
#include "core/common/cp1251.h"
#include "core/files/atomic_file.h"
#include "core/files/sys_file.h"
#include "core/files/table_file.h"
#include "core/journal/journal.h"
#include "core/journal/journal_store.h"
#include "core/table/table_row.h"
#include "fake_session_observer.h"
#include "tests/common/temp_dir.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

constexpr std::uint8_t kWork = 0x04;
constexpr std::uint8_t kMeasuring = 0x84;

std::string Read(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(core::ReadWholeFile(path, bytes)) << path;
    return bytes;
}

class SessionJournal : public ::testing::Test {
protected:
    void SetUp() override {
        rig.session.SetJournal(Dir(), Io());
        rig.session.PortOpened();
    }
    std::string Dir() const { return dir.File("journal"); }
    // Real calls that note when each row was written and how much had been synced.
    core::JournalIo Io() {
        return {[this](int fd, const void* data, std::size_t size) -> ssize_t {
                    if (failWrites) {
                        errno = ENOSPC;
                        return -1;
                    }
                    const auto n = core::sys::Write(fd, data, size);
                    written += n;
                    writes.push_back({rig.clock.ElapsedMs(), written});
                    return n;
                },
                [this](int fd) {
                    synced = written;
                    return core::sys::SyncData(fd) ? 0 : -1;
                }};
    }
    // A work frame and a record-timer tick every 300 ms, for `ms` milliseconds.
    void Work(int ms, float di = 0.5f) {
        for (int t = 0; t < ms; t += 300) {
            rig.Frame(kWork, 4.9f, di);
            rig.TickAfter(300);
            CheckDurable();
        }
    }
    // Every row written a second ago or earlier has been synced.
    void CheckDurable() {
        for (const auto& [atMs, bytes] : writes) {
            if (rig.clock.ElapsedMs() - atMs >= 1000) {
                ASSERT_LE(bytes, synced) << "a row written at " << atMs << " ms is not on disk at "
                                         << rig.clock.ElapsedMs() << " ms";
            }
        }
    }
    std::vector<std::string> Journals() const {
        std::vector<std::string> paths;
        for (const core::JournalEntry& j : core::ListJournals(Dir()))
            paths.push_back(j.path);
        return paths;
    }

    test::TempDir dir;
    test::SessionRig rig;
    bool failWrites = false;
    std::vector<std::pair<long long, long long>> writes;
    long long written = 0;
    long long synced = 0;
};

TEST_F(SessionJournal, HoldsTheRowsOfTheLogInTheTableWindowsFormat) {
    rig.session.SetRowFormat({false, "|", true});
    Work(20'000);
    ASSERT_GE(rig.session.Log().Count(), 18);
    const std::string path = rig.session.JournalPath();
    EXPECT_EQ(path, Dir() + "/" + core::JournalFileName(rig.session.Log().StartTime()));
    EXPECT_EQ(Read(path), core::FormatLogFile(rig.session.Log(), "|", true));
    EXPECT_TRUE(rig.session.JournalComplete());
    // It loads as a table file to the records of the log.
    const core::TableFileLoad load = core::ReadTableFile(Read(path), ";", false);
    ASSERT_TRUE(load);
    ASSERT_EQ(static_cast<int>(load.records.size()), rig.session.Log().Count());
    EXPECT_EQ(static_cast<int>(load.records.back().T),
              static_cast<int>(rig.session.Log()[rig.session.Log().Count() - 1].T));
    EXPECT_FALSE(std::filesystem::exists(core::MarksPathFor(path))) << "no marks, no state yet";
}

TEST_F(SessionJournal, EveryRecordIsOnDiskWithinASecondAlsoWhenRecordingPauses) {
    rig.session.Params().wTimeStep = 1;
    Work(5'000);
    ASSERT_FALSE(writes.empty());
    rig.session.miLinkClick(); // pause: no more ticks
    EXPECT_EQ(synced, written) << "a pause leaves nothing waiting";
}

TEST_F(SessionJournal, RowsReachTheDiskWithinASecondAfterTheWallClockIsSetBack) {
    Work(3'000);
    rig.clock.StepWallMs(-3'600'000);
    Work(5'000);
    EXPECT_GE(rig.session.Log().Count(), 6);
}

TEST_F(SessionJournal, ANormalEndClosesTheJournalAndTheNextLogGetsItsOwn) {
    Work(3'000);
    const std::string first = rig.session.JournalPath();
    ASSERT_FALSE(first.empty());
    rig.session.bbRestartClick(); // after its save question (answered go on)
    EXPECT_EQ(rig.session.JournalPath(), "");
    core::MarksBeside beside = core::LoadMarksBeside(first);
    ASSERT_EQ(beside.status, core::MarksBeside::Status::Loaded);
    EXPECT_TRUE(beside.load.journal.closed);
    rig.clock.AdvanceMs(5'000);
    Work(3'000);
    const std::string second = rig.session.JournalPath();
    EXPECT_NE(second, first);
    EXPECT_EQ(Journals(), (std::vector<std::string>{second, first}));
    rig.session.EndLog(); // the program closes
    beside = core::LoadMarksBeside(second);
    ASSERT_EQ(beside.status, core::MarksBeside::Status::Loaded);
    EXPECT_TRUE(beside.load.journal.closed);
}

TEST_F(SessionJournal, ALogDroppedWithoutAQuestionStaysUnfinished) {
    Work(3'000);
    const std::string first = rig.session.JournalPath();
    rig.session.PortOpened(); // a port opened again resets the log without asking
    rig.clock.AdvanceMs(2'000);
    Work(3'000);
    const std::string second = rig.session.JournalPath();
    rig.Frame(kMeasuring); // a measurement in the meter: the next frame begins a new log
    rig.clock.AdvanceMs(2'000);
    Work(3'000);
    const std::string third = rig.session.JournalPath();
    EXPECT_EQ(Journals(), (std::vector<std::string>{third, second, first}));
    const std::vector<core::JournalEntry> listed = core::ListJournals(Dir());
    EXPECT_TRUE(listed[0].inUse) << "the third is still being written";
    EXPECT_FALSE(listed[1].inUse);
    const std::vector<core::JournalEntry> offer = core::JournalsToOffer(listed);
    ASSERT_EQ(offer.size(), 2u) << "none of them had a normal end; the live one is not offered";
    EXPECT_EQ(offer[0].path, second);
    // Each holds only its own log.
    EXPECT_EQ(Read(third), core::FormatLogFile(rig.session.Log(), ";", false));
}

TEST_F(SessionJournal, ALoadedLogGetsNoJournal) {
    Work(3'000);
    const std::string live = rig.session.JournalPath();
    rig.session.PortClosed();
    rig.session.LogLoaded(nullptr);
    EXPECT_EQ(rig.session.JournalPath(), "");
    EXPECT_FALSE(rig.session.JournalComplete());
    rig.session.EndLog();
    EXPECT_FALSE(std::filesystem::exists(core::MarksPathFor(live)))
        << "the replaced log was not ended normally";
    EXPECT_EQ(Journals().size(), 1u);
}

TEST_F(SessionJournal, MarksAndTheSaveNoteGoBesideTheJournal) {
    rig.session.Test().SetFire(2);
    rig.session.Test().AddDetector("И1");
    Work(2'000);
    const std::string marksPath = core::MarksPathFor(rig.session.JournalPath());
    ASSERT_TRUE(rig.session.StartFire());
    core::MarksLoad marks = core::ParseMarksFile(Read(marksPath));
    ASSERT_TRUE(marks);
    EXPECT_EQ(marks.marks->fireId, 2);
    EXPECT_TRUE(marks.marks->fireStartT);
    ASSERT_TRUE(rig.session.MarkAlarm(0));
    EXPECT_TRUE(core::ParseMarksFile(Read(marksPath)).marks->detectors[0].alarmT);

    rig.session.LogSaved("/home/lab/t1.txt");
    EXPECT_EQ(core::ParseMarksFile(Read(marksPath)).journal.savedTo, "/home/lab/t1.txt");
    Work(1'500); // records the saved file does not have
    EXPECT_EQ(core::ParseMarksFile(Read(marksPath)).journal.savedTo, "");
    rig.session.LogSaved("/home/lab/t2.txt");
    rig.session.EndLog();
    marks = core::ParseMarksFile(Read(marksPath));
    EXPECT_TRUE(marks.journal.closed);
    EXPECT_EQ(marks.journal.savedTo, "/home/lab/t2.txt");
    EXPECT_EQ(marks.marks->fireId, 2);
}

TEST_F(SessionJournal, OnlyATableOfEveryRecordInOrderStandsForTheLog) {
    Work(4'000);
    const core::RecordLog& log = rig.session.Log();
    ASSERT_GE(log.Count(), 3);
    const std::string marksPath = core::MarksPathFor(rig.session.JournalPath());
    // No marks file yet: nothing noted.
    const auto savedTo = [&] {
        std::string bytes;
        return core::ReadWholeFile(marksPath, bytes) ? core::ParseMarksFile(bytes).journal.savedTo
                                                     : std::string();
    };
    core::TableRows rows;
    rows.ShowWholeLog(log);
    const int first[] = {0};
    rows.Erase(first);
    rig.session.TableSaved("/home/lab/part.txt", rows);
    EXPECT_EQ(savedTo(), "");
    // Every record, but not in the log's order.
    rows.Append(log, 0);
    ASSERT_EQ(rows.RowsOfLog(log), log.Count());
    rig.session.TableSaved("/home/lab/shuffled.txt", rows);
    EXPECT_EQ(savedTo(), "");
    rows.ShowWholeLog(log);
    rig.session.TableSaved("/home/lab/whole.txt", rows);
    EXPECT_EQ(savedTo(), "/home/lab/whole.txt");
}

TEST_F(SessionJournal, AFailingDiskIsToldOncePerLogAndTheLogKeepsEveryRecord) {
    Work(2'000);
    failWrites = true;
    Work(10'000);
    const int count = rig.session.Log().Count();
    EXPECT_GE(count, 10);
    ASSERT_EQ(rig.host.journalFailures.size(), 1u);
    EXPECT_EQ(rig.host.journalFailures[0].rfind(core::session_text::kJournalFailed, 0), 0u);
    EXPECT_NE(rig.host.journalFailures[0].find("No space left on device"), std::string::npos);
    // The notice, the failed write's first line unchanged, and the system's reason below it.
    EXPECT_EQ(rig.host.journalFailures[0], std::string(core::session_text::kJournalFailed) +
                                               "\nCannot write file " + rig.session.JournalPath() +
                                               "\nNo space left on device");
    EXPECT_FALSE(rig.session.JournalComplete());
    EXPECT_EQ(static_cast<int>(rig.session.Log()[count - 1].T), count - 1) << "recording went on";
    // A whole-row journal of what was written before the failure is left.
    const core::TableFileLoad load = core::ReadTableFile(Read(Journals()[0]), ";", false);
    ASSERT_TRUE(load);
    EXPECT_LT(static_cast<int>(load.records.size()), count);
    // The next log tries again, and is told about again when it fails too.
    rig.session.bbRestartClick();
    rig.clock.AdvanceMs(3'000);
    Work(3'000);
    EXPECT_EQ(rig.host.journalFailures.size(), 2u);
    failWrites = false;
    rig.session.bbRestartClick();
    rig.clock.AdvanceMs(3'000);
    Work(3'000);
    EXPECT_EQ(rig.host.journalFailures.size(), 2u);
    EXPECT_TRUE(rig.session.JournalComplete());
}

TEST_F(SessionJournal, AfterAFailedWriteTheNextRecordCatchesUpAndTheMarksSayWhatIsMissing) {
    Work(2'000);
    const std::string path = rig.session.JournalPath();
    failWrites = true;
    Work(5'000);
    const int onDisk = core::ReadJournal(path).records;
    ASSERT_GT(onDisk, 0);
    ASSERT_LT(onDisk, rig.session.Log().Count());
    // Killed now, the journal tells a later start from which record on it lacks rows.
    const core::JournalEntry behind = core::ReadJournal(path);
    ASSERT_TRUE(behind.journal.missingFrom);
    EXPECT_EQ(*behind.journal.missingFrom, onDisk + 1);
    EXPECT_NE(core::RecoveryQuestion(behind).find("; с " + std::to_string(onDisk + 1) +
                                                  "-й записи журнал не дописан). Открыть?"),
              std::string::npos)
        << core::RecoveryQuestion(behind);
    EXPECT_FALSE(rig.session.JournalComplete());
    // Space came back: the next record brings every missing row, and the note goes.
    failWrites = false;
    Work(1'200);
    EXPECT_EQ(Read(path), core::FormatLogFile(rig.session.Log(), ";", false));
    EXPECT_TRUE(rig.session.JournalComplete());
    EXPECT_FALSE(core::ReadJournal(path).journal.missingFrom);
    EXPECT_EQ(rig.host.journalFailures.size(), 1u);
    // Behind at a normal end: the closed journal keeps the note.
    failWrites = true;
    Work(3'000);
    rig.session.EndLog();
    const core::JournalEntry closed = core::ReadJournal(path);
    EXPECT_TRUE(closed.journal.closed);
    ASSERT_TRUE(closed.journal.missingFrom);
    EXPECT_EQ(*closed.journal.missingFrom, closed.records + 1);
}

TEST_F(SessionJournal, AJournalFolderThatCannotBeMadeIsToldOnce) {
    ASSERT_TRUE(core::WriteFileAtomically(dir.File("file"), "x"));
    rig.session.SetJournal(dir.File("file/journal"));
    Work(5'000);
    EXPECT_GE(rig.session.Log().Count(), 4);
    ASSERT_EQ(rig.host.journalFailures.size(), 1u);
    EXPECT_NE(rig.host.journalFailures[0].find("Not a directory"), std::string::npos);
    EXPECT_EQ(rig.session.JournalPath(), "");
}

TEST_F(SessionJournal, WithoutAFolderNothingIsJournalled) {
    rig.session.SetJournal("");
    Work(3'000);
    EXPECT_GE(rig.session.Log().Count(), 2);
    EXPECT_EQ(rig.session.JournalPath(), "");
    EXPECT_FALSE(std::filesystem::exists(Dir()));
}

} // namespace
