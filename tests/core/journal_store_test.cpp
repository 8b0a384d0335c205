// The journal folder: names, listing with what each journal holds, the recovery offer, the
// clean-up rule and deleting.
#include "core/common/cp1251.h"
#include "core/common/date_time.h"
#include "core/files/atomic_file.h"
#include "core/files/file_lock.h"
#include "core/files/sys_file.h"
#include "core/journal/journal.h"
#include "core/journal/journal_store.h"
#include "core/journal/journal_writer.h"
#include "core/table/table_row.h"
#include "tests/common/temp_dir.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const double kStart = core::EncodeDateTime({2026, 1, 31, 14, 5, 9, 0});

// A log of `records` one-second records starting at `start`, m rising by 0,1 per record.
core::RecordLog MakeLog(double start, int records) {
    core::RecordLog log;
    double now = start - 1.0 / 86400;
    log.Accumulate(core::SteadyAt(now), 4.5f, 0);
    for (int i = 0; i < records; ++i) {
        now += 1.0 / 86400;
        log.Accumulate(core::SteadyAt(now), 4.5f, 0.1 * i);
        log.Tick(core::SteadyAt(now), 1, false);
    }
    return log;
}

class JournalStore : public ::testing::Test {
protected:
    // A journal of `records` rows started at `start`, with `marks` (or the journal's state
    // lines `journal`) beside it when given.
    std::string Make(double start, int records, const core::TestMarks* marks = nullptr) {
        return Make(start, records, marks, nullptr);
    }
    std::string Make(double start, int records, const core::JournalMarks* journal) {
        return Make(start, records, nullptr, journal);
    }
    std::string Make(double start, int records, const core::TestMarks* marks,
                     const core::JournalMarks* journal) {
        EXPECT_TRUE(core::MakeFolders(Dir()));
        const std::string path = Dir() + "/" + core::JournalFileName(start);
        const core::RecordLog log = MakeLog(start, records);
        EXPECT_TRUE(core::WriteFileAtomically(path, core::FormatLogFile(log, ";", false)));
        if (marks || journal) {
            EXPECT_TRUE(core::WriteFileAtomically(
                core::MarksPathFor(path),
                core::FormatMarksFile(marks ? *marks : core::TestMarks{},
                                      journal ? *journal : core::JournalMarks{})));
        }
        return path;
    }
    std::string Dir() const { return dir.File("journal"); }
    static core::JournalMarks Closed(std::string savedTo = {}) {
        core::JournalMarks journal;
        journal.closed = true;
        journal.savedTo = std::move(savedTo);
        return journal;
    }
    test::TempDir dir;
};

TEST(JournalNames, StartTimeComesFromTheName) {
    EXPECT_EQ(core::JournalStartTime("2026-01-31_14-05-09.txt"), kStart);
    EXPECT_EQ(core::JournalStartTime("2026-01-31_14-05-09-2.txt"), kStart);
    EXPECT_EQ(core::JournalStartTime("2026-01-31_14-05-09-999.txt"), kStart);
    for (const char* name :
         {"2026-01-31_14-05-09.txt.test.txt", "2026-01-31_14-05-09", "2026-01-31 14-05-09.txt",
          "2026-04-31_14-05-09.txt", "2026-13-01_00-00-00.txt", "2026-01-31_24-00-00.txt",
          "2026-01-31_14-05-09-1x.txt", "2026-01-31_14-05-09-.txt", "2026-01-31_14-05-09-1.txt",
          "notes.txt", ""})
        EXPECT_FALSE(core::JournalStartTime(name)) << name;
}

TEST(JournalNames, WholeLinesLeaveOutARowCutShort) {
    EXPECT_EQ(core::WholeLines("a\r\nb\r\n"), "a\r\nb\r\n");
    EXPECT_EQ(core::WholeLines("a\r\nb\r\n12:0"), "a\r\nb\r\n");
    EXPECT_EQ(core::WholeLines("12:0"), "");
    EXPECT_EQ(core::WholeLines(""), "");
}

TEST_F(JournalStore, ListsEachJournalNewestFirstWithWhatItHolds) {
    core::TestMarks fire;
    fire.fireId = 2;
    fire.fireStartT = 2;
    Make(kStart, 5, &fire);
    const double later = kStart + 1;
    Make(later, 3);
    ASSERT_TRUE(core::WriteFileAtomically(Dir() + "/notes.txt", "x"));
    const std::vector<core::JournalEntry> list = core::ListJournals(Dir());
    ASSERT_EQ(list.size(), 2u) << "other files are not journals";
    EXPECT_EQ(list[0].startTime, later);
    EXPECT_EQ(list[0].records, 3);
    EXPECT_EQ(list[0].durationSec, 2);
    EXPECT_EQ(list[0].fire, "");
    EXPECT_TRUE(list[0].Unfinished());
    EXPECT_EQ(list[1].name, "2026-01-31_14-05-09.txt");
    EXPECT_TRUE(list[1].readable);
    EXPECT_EQ(list[1].records, 5);
    EXPECT_EQ(list[1].durationSec, 4);
    EXPECT_EQ(list[1].fire, "ТП2");
    EXPECT_FALSE(list[1].verdict.empty());
    EXPECT_EQ(list[1].verdict.rfind("ТП2", 0), 0u) << list[1].verdict;
    EXPECT_TRUE(core::ListJournals(dir.File("absent")).empty());
}

TEST_F(JournalStore, AJournalCutShortByAPowerCutStillLists) {
    const std::string path = Make(kStart, 4);
    std::string bytes;
    ASSERT_TRUE(core::ReadWholeFile(path, bytes));
    ASSERT_TRUE(core::WriteFileAtomically(path, bytes + "14:05:13;    4;   4,9"));
    const core::JournalEntry entry = core::ReadJournal(path);
    EXPECT_TRUE(entry.readable);
    EXPECT_EQ(entry.records, 4);
}

TEST_F(JournalStore, OnlyUnfinishedJournalsNotYetOfferedAreOffered) {
    const core::JournalMarks closed = Closed();
    Make(kStart, 2, &closed);
    const std::string unfinished = Make(kStart + 1, 2);
    const std::string newest = Make(kStart + 2, 2);
    core::JournalMarks offered;
    offered.offered = true;
    Make(kStart + 3, 2, &offered);
    ASSERT_TRUE(core::MakeFolders(Dir()));
    ASSERT_TRUE(core::WriteFileAtomically(Dir() + "/" + core::JournalFileName(kStart + 4), ""));

    std::vector<core::JournalEntry> offer = core::JournalsToOffer(core::ListJournals(Dir()));
    ASSERT_EQ(offer.size(), 2u) << "closed, offered and empty journals are not offered";
    EXPECT_EQ(offer[0].path, newest);
    EXPECT_EQ(offer[1].path, unfinished);

    ASSERT_TRUE(core::MarkJournalOffered(newest));
    offer = core::JournalsToOffer(core::ListJournals(Dir()));
    ASSERT_EQ(offer.size(), 1u);
    EXPECT_EQ(offer[0].path, unfinished);
    // Marking keeps the marks there were, and the journal itself.
    core::TestMarks fire;
    fire.fireId = 3;
    ASSERT_TRUE(
        core::WriteFileAtomically(core::MarksPathFor(unfinished), core::FormatMarksFile(fire)));
    ASSERT_TRUE(core::MarkJournalOffered(unfinished));
    const core::JournalEntry entry = core::ReadJournal(unfinished);
    EXPECT_TRUE(entry.journal.offered);
    EXPECT_EQ(entry.marks.fireId, 3);
    EXPECT_TRUE(entry.Unfinished()) << "offered is not closed";
    EXPECT_EQ(entry.records, 2);
    EXPECT_TRUE(core::JournalsToOffer(core::ListJournals(Dir())).empty());
}

TEST_F(JournalStore, ADamagedMarksFileIsNotOverwrittenByTheOffer) {
    const std::string path = Make(kStart, 2);
    ASSERT_TRUE(core::WriteFileAtomically(core::MarksPathFor(path), "garbage"));
    EXPECT_FALSE(core::MarkJournalOffered(path));
    std::string bytes;
    ASSERT_TRUE(core::ReadWholeFile(core::MarksPathFor(path), bytes));
    EXPECT_EQ(bytes, "garbage");
}

TEST_F(JournalStore, CleanUpRemovesOnlyClosedSavedJournalsOlderThan90Days) {
    const double now = kStart + 200;
    // The saved copy, with another delimiter and the unit suffixes: the same records.
    const std::string savedFile = dir.File("t1.txt");
    ASSERT_TRUE(core::WriteFileAtomically(savedFile,
                                          core::FormatLogFile(MakeLog(now - 91, 2), "\t", true)));
    const core::JournalMarks saved = Closed(savedFile);
    const core::JournalMarks unsaved = Closed();
    core::JournalMarks savedUnfinished = saved;
    savedUnfinished.closed = false;
    const std::string oldSaved = Make(now - 91, 2, &saved);
    const std::string oldUnsaved = Make(now - 150, 2, &unsaved);
    const std::string oldNoMarks = Make(now - 120, 2);
    const std::string oldSavedUnfinished = Make(now - 100, 2, &savedUnfinished);
    const std::string youngSaved = Make(now - 89, 2, &saved);

    const std::vector<std::string> removed = core::RemoveExpiredJournals(Dir(), now);
    EXPECT_EQ(removed, std::vector<std::string>{oldSaved});
    EXPECT_FALSE(fs::exists(oldSaved));
    EXPECT_FALSE(fs::exists(core::MarksPathFor(oldSaved)));
    for (const std::string& kept : {oldUnsaved, oldNoMarks, oldSavedUnfinished, youngSaved})
        EXPECT_TRUE(fs::exists(kept)) << kept;
    EXPECT_TRUE(core::RemoveExpiredJournals(Dir(), now).empty());
}

TEST_F(JournalStore, CleanUpKeepsAJournalWhoseSavedFileIsGoneOrHoldsAnotherLog) {
    const double now = kStart + 200;
    const std::string deleted = dir.File("deleted.txt");
    const std::string reused = dir.File("reused.txt");
    const std::string shorter = dir.File("shorter.txt");
    const core::JournalMarks savedDeleted = Closed(deleted);
    const core::JournalMarks savedReused = Closed(reused);
    const core::JournalMarks savedShorter = Closed(shorter);
    const std::string first = Make(now - 120, 54, &savedDeleted);
    const std::string second = Make(now - 110, 54, &savedReused);
    const std::string third = Make(now - 100, 54, &savedShorter);
    // "deleted.txt" was deleted after the save; a later save wrote a 5-record log over
    // "reused.txt"; "shorter.txt" lacks the last record of its log.
    ASSERT_TRUE(core::WriteFileAtomically(deleted,
                                          core::FormatLogFile(MakeLog(now - 120, 54), ";", false)));
    ASSERT_TRUE(core::RemoveFileIfPresent(deleted));
    ASSERT_TRUE(
        core::WriteFileAtomically(reused, core::FormatLogFile(MakeLog(now - 0.5, 5), ";", false)));
    core::RecordLog part = MakeLog(now - 100, 54);
    part.SetCount(53);
    ASSERT_TRUE(core::WriteFileAtomically(shorter, core::FormatLogFile(part, ";", false)));

    EXPECT_TRUE(core::RemoveExpiredJournals(Dir(), now).empty());
    for (const std::string& kept : {first, second, third}) {
        EXPECT_TRUE(fs::exists(kept)) << kept;
        EXPECT_TRUE(fs::exists(core::MarksPathFor(kept))) << kept;
    }
}

TEST_F(JournalStore, DeleteRemovesTheJournalAndItsMarks) {
    const core::JournalMarks marks = Closed();
    const std::string path = Make(kStart, 2, &marks);
    ASSERT_TRUE(core::DeleteJournal(path));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(fs::exists(core::MarksPathFor(path)));
    const std::string bare = Make(kStart + 1, 2);
    EXPECT_TRUE(core::DeleteJournal(bare)) << "no marks file is no failure";
    EXPECT_TRUE(core::ListJournals(Dir()).empty());
}

// Another copy of the program writes its journal into the same folder. flock locks belong to
// an open file description, so a second open in this process stands for the other copy.
TEST_F(JournalStore, AJournalBeingWrittenIsNeitherOfferedMarkedNorDeleted) {
    const std::string older = Make(kStart, 3);
    core::JournalWriter other;
    ASSERT_TRUE(other.Open(Dir(), kStart + 1));
    ASSERT_TRUE(other.Append("12:00:00;    0;   4,500;   4,500;   0,000\r\n", kStart + 1));
    const std::string live = other.Path();

    const std::vector<core::JournalEntry> listed = core::ListJournals(Dir());
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].path, live);
    EXPECT_TRUE(listed[0].inUse);
    EXPECT_TRUE(listed[0].readable && listed[0].Unfinished());
    EXPECT_FALSE(listed[1].inUse);
    const std::vector<core::JournalEntry> offer = core::JournalsToOffer(listed);
    ASSERT_EQ(offer.size(), 1u) << "only the journal nobody writes";
    EXPECT_EQ(offer[0].path, older);

    const core::FileWriteResult marked = core::MarkJournalOffered(live);
    EXPECT_FALSE(marked);
    EXPECT_EQ(marked.errorCode, EBUSY);
    EXPECT_FALSE(fs::exists(core::MarksPathFor(live)));
    const core::FileWriteResult deleted = core::DeleteJournal(live);
    EXPECT_FALSE(deleted);
    EXPECT_EQ(deleted.error, "Cannot delete file " + live);
    EXPECT_TRUE(fs::exists(live));

    // The writer ends (or is killed): the journal is an ordinary unfinished one again.
    other.Close();
    EXPECT_FALSE(core::FileInUse(live));
    EXPECT_EQ(core::JournalsToOffer(core::ListJournals(Dir())).size(), 2u);
    EXPECT_TRUE(core::MarkJournalOffered(live));
    EXPECT_TRUE(core::DeleteJournal(live));
}

TEST_F(JournalStore, CleanUpLeavesAJournalThatIsBeingWritten) {
    const double now = kStart + 200;
    const std::string savedFile = dir.File("t1.txt");
    ASSERT_TRUE(core::WriteFileAtomically(savedFile,
                                          core::FormatLogFile(MakeLog(now - 91, 2), ";", false)));
    const core::JournalMarks saved = Closed(savedFile);
    const std::string path = Make(now - 91, 2, &saved);
    const int fd = core::sys::Open(path, core::sys::kWriteOnly | core::sys::kAppend);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(core::LockOpenFile(fd));
    EXPECT_TRUE(core::RemoveExpiredJournals(Dir(), now).empty());
    EXPECT_TRUE(fs::exists(path));
    core::sys::Close(fd);
    EXPECT_EQ(core::RemoveExpiredJournals(Dir(), now), std::vector<std::string>{path});
}

TEST(RecoveryQuestion, TellsFromWhichRecordTheJournalIsMissing) {
    core::JournalEntry j;
    j.startTime = kStart;
    j.records = 95;
    j.journal.missingFrom = 96;
    EXPECT_EQ(core::RecoveryQuestion(j), "Найден журнал незавершённого испытания от 31.01.2026 "
                                         "14:05:09 (95 записей; с 96-й записи журнал не "
                                         "дописан). Открыть?");
}

TEST(RecoveryQuestion, NamesTheStartAndTheRecordsInRussian) {
    core::JournalEntry j;
    j.startTime = kStart;
    const std::pair<int, const char*> cases[] = {
        {1, "1 запись"},
        {2, "2 записи"},
        {4, "4 записи"},
        {5, "5 записей"},
        {11, "11 записей"},
        {12, "12 записей"},
        {21, "21 запись"},
        {22, "22 записи"},
        {111, "111 записей"},
        {0, "0 записей"},
        {1234, "1\u00A0234 записи"},
    };
    for (const auto& [records, text] : cases) {
        j.records = records;
        EXPECT_EQ(core::RecoveryQuestion(j), std::string("Найден журнал незавершённого испытания "
                                                         "от 31.01.2026 14:05:09 (") +
                                                 text + "). Открыть?");
    }
}

TEST(MarksFile, KeepsTheJournalStateLines) {
    core::JournalMarks marks;
    marks.savedTo = "/home/lab/испытание 1.txt";
    marks.offered = true;
    marks.closed = true;
    marks.missingFrom = 96;
    const std::string bytes = core::FormatMarksFile({}, marks);
    EXPECT_EQ(core::Cp1251ToUtf8(bytes), "ВЕЛС-5 испытание\r\nСохранён=/home/lab/испытание "
                                         "1.txt\r\nНедописан=96\r\nПредложен\r\nЗавершён\r\n");
    EXPECT_EQ(core::ParseMarksFile(bytes).journal, marks);
    EXPECT_EQ(*core::ParseMarksFile(bytes).marks, core::TestMarks{});
    marks.savedTo = "/a\r\nЗавершён";
    EXPECT_EQ(core::ParseMarksFile(core::FormatMarksFile({}, marks)).journal.savedTo, "/aЗавершён")
        << "a path cannot add lines";
}

} // namespace
