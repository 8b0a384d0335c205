// The save-before-discard flow scripted without a window: the questions and dialogs, the
// write, and the journal copy of a log that must go although the user wanted it kept.
#include "core/common/date_time.h"
#include "core/files/atomic_file.h"
#include "core/files/save_offer.h"
#include "core/journal/journal.h"
#include "core/table/table_row.h"
#include "tests/common/fake_prompts.h"
#include "tests/common/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using core::LogDiscard;
using core::PromptAnswer;
using core::SaveAnswer;

// 2026-01-31 14:05:09, the start of the logs built here.
const double kStart = core::EncodeDateTime({2026, 1, 31, 14, 5, 9, 0});

// A log of `records` one-second records whose time base is kStart.
void Fill(core::RecordLog& log, int records) {
    log.SetIdle();
    double now = kStart - 1.0 / 86400;
    log.Accumulate(core::SteadyAt(now), 4.5f, 0.25);
    for (int i = 0; i < records; ++i) {
        now += 1.0 / 86400;
        log.Accumulate(core::SteadyAt(now), 4.5f - 0.5f * static_cast<float>(i), 0.25);
        log.Tick(core::SteadyAt(now), 1, false);
    }
}

std::string Read(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(core::ReadWholeFile(path, bytes)) << path;
    return bytes;
}

class SaveOffer : public ::testing::Test {
protected:
    void SetUp() override {
        Fill(log, 3);
        ASSERT_EQ(log.Count(), 3);
        ASSERT_DOUBLE_EQ(log.StartTime(), kStart);
    }
    SaveAnswer Offer(LogDiscard discard, const core::TestMarks* marks = nullptr) {
        return core::OfferSaveLog(log, view, discard, prompts, Journal(), marks);
    }
    std::string Journal() const { return dir.File("data/vels5/journal"); }
    std::string JournalFile(int copy = 1) const {
        return Journal() + "/" + core::JournalFileName(kStart, copy);
    }

    test::TempDir dir;
    core::RecordLog log;
    core::TableView view;
    test::FakePrompts prompts;
};

TEST_F(SaveOffer, EmptyLogGoesOnWithoutAsking) {
    log.SetCount(0);
    EXPECT_EQ(Offer(LogDiscard::Cancellable), SaveAnswer::GoOn);
    EXPECT_EQ(Offer(LogDiscard::Forced), SaveAnswer::GoOn);
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(SaveOffer, NoLetsTheLogGoUnwritten) {
    for (LogDiscard discard : {LogDiscard::Cancellable, LogDiscard::Forced}) {
        prompts.answers = {PromptAnswer::No};
        EXPECT_EQ(Offer(discard), SaveAnswer::GoOn);
        EXPECT_EQ(log.Count(), 3); // the caller empties it
    }
    ASSERT_EQ(prompts.asked.size(), 2u);
    EXPECT_EQ(prompts.asked[0].text, "Сохранить данные?");
    EXPECT_EQ(prompts.asked[0].caption, "");
    EXPECT_EQ(prompts.asked[0].buttons, core::PromptButtons::YesNoCancel);
    EXPECT_FALSE(std::filesystem::exists(Journal()));
}

TEST_F(SaveOffer, YesWritesTheWholeLogAndEmptiesIt) {
    view.Delim = "|";
    view.IsUnit = false;
    const std::string path = dir.File("log.txt");
    const std::string expected = core::FormatLogFile(log, "|", false);
    prompts.answers = {PromptAnswer::Yes};
    prompts.fileNames = {path};
    EXPECT_EQ(Offer(LogDiscard::Cancellable), SaveAnswer::GoOn);
    EXPECT_EQ(log.Count(), 0);
    EXPECT_EQ(Read(path), expected);
    EXPECT_NE(expected.find("|   4,500|   0,250\r\n"), std::string::npos) << expected; // 3 spaces
    ASSERT_EQ(prompts.asked.size(), 2u);
    const core::FileDialogOptions& dialog = prompts.asked[1].file;
    EXPECT_EQ(dialog.title, "Сохранить таблицу");
    EXPECT_EQ(dialog.defaultSuffix, "txt");
    EXPECT_EQ(dialog.filter, "TXT (*.txt)|*.txt|all (*.*)|*.*");
    EXPECT_EQ(dialog.fileName, "");
}

TEST_F(SaveOffer, ReplacingAFileIsAskedAndMayBeRefused) {
    const std::string path = dir.File("old.txt");
    ASSERT_TRUE(core::WriteFileAtomically(path, "old"));
    prompts.answers = {PromptAnswer::Yes, PromptAnswer::No};
    prompts.fileNames = {path};
    EXPECT_EQ(Offer(LogDiscard::Cancellable), SaveAnswer::Stop);
    EXPECT_EQ(Read(path), "old");
    EXPECT_EQ(log.Count(), 3);
    EXPECT_EQ(prompts.asked[2].text, "Файл существует, заменить?");
    EXPECT_EQ(prompts.asked[2].buttons, core::PromptButtons::YesNo);
    prompts.answers = {PromptAnswer::Yes, PromptAnswer::Yes};
    prompts.fileNames = {path};
    EXPECT_EQ(Offer(LogDiscard::Cancellable), SaveAnswer::GoOn);
    EXPECT_EQ(log.Count(), 0);
    EXPECT_NE(Read(path), "old");
}

TEST_F(SaveOffer, CancellableOperationsKeepTheLogWhenTheSaveDidNotHappen) {
    prompts.answers = {PromptAnswer::Cancel};
    EXPECT_EQ(Offer(LogDiscard::Cancellable), SaveAnswer::Stop);
    prompts.answers = {PromptAnswer::Yes}; // and the save dialog is cancelled
    EXPECT_EQ(Offer(LogDiscard::Cancellable), SaveAnswer::Stop);
    EXPECT_EQ(log.Count(), 3);
    EXPECT_FALSE(std::filesystem::exists(Journal()));
}

TEST_F(SaveOffer, FailedWriteIsReportedAndKeepsTheLog) {
    prompts.answers = {PromptAnswer::Yes};
    prompts.fileNames = {dir.File("no/such/folder/log.txt")};
    EXPECT_EQ(Offer(LogDiscard::Cancellable), SaveAnswer::Failed);
    EXPECT_EQ(log.Count(), 3);
    ASSERT_EQ(prompts.asked.size(), 3u);
    EXPECT_EQ(prompts.asked[2].kind, test::Prompt::Error);
    EXPECT_EQ(prompts.asked[2].caption, "Monitor VELS5");
    EXPECT_EQ(prompts.asked[2].text, "Cannot create file " + dir.File("no/such/folder/log.txt") +
                                         "\nNo such file or directory");
}

TEST_F(SaveOffer, ForcedDiscardJournalsALogTheUserWantedKept) {
    const std::string expected = core::FormatLogFile(log, view.Delim, view.IsUnit);
    prompts.answers = {PromptAnswer::Yes}; // and the save dialog is cancelled
    EXPECT_EQ(Offer(LogDiscard::Forced), SaveAnswer::GoOn);
    EXPECT_EQ(log.Count(), 0);
    EXPECT_EQ(Read(JournalFile()), expected);
    ASSERT_EQ(prompts.asked.size(), 3u);
    EXPECT_EQ(prompts.asked[2].kind, test::Prompt::Information);
    EXPECT_EQ(prompts.asked[2].text, "Данные сохранены в журнал:\n" + JournalFile());
}

TEST_F(SaveOffer, ForcedDiscardPointsAtALiveJournalInsteadOfWritingACopy) {
    const std::string live = dir.File("live/2026-01-31_14-05-09.txt");
    prompts.answers = {PromptAnswer::Yes}; // and the save dialog is cancelled
    EXPECT_EQ(core::OfferSaveLog(log, view, LogDiscard::Forced, prompts, Journal(), nullptr, live),
              SaveAnswer::GoOn);
    EXPECT_EQ(log.Count(), 0);
    EXPECT_FALSE(std::filesystem::exists(Journal())) << "no second copy";
    ASSERT_EQ(prompts.asked.size(), 3u);
    EXPECT_EQ(prompts.asked[2].kind, test::Prompt::Information);
    EXPECT_EQ(prompts.asked[2].text, "Данные сохранены в журнал:\n" + live);
    // A discard that can be called off still calls it off.
    Fill(log, 3);
    prompts.answers = {PromptAnswer::Cancel};
    EXPECT_EQ(
        core::OfferSaveLog(log, view, LogDiscard::Cancellable, prompts, Journal(), nullptr, live),
        SaveAnswer::Stop);
    EXPECT_EQ(log.Count(), 3);
}

TEST_F(SaveOffer, TellsWhereTheUserSavedTheLog) {
    std::string savedTo = "stale";
    prompts.answers = {PromptAnswer::No};
    EXPECT_EQ(core::OfferSaveLog(log, view, LogDiscard::Cancellable, prompts, Journal(), nullptr,
                                 {}, &savedTo),
              SaveAnswer::GoOn);
    EXPECT_EQ(savedTo, "");
    prompts.answers = {PromptAnswer::Yes};
    prompts.fileNames = {dir.File("t1.txt")};
    EXPECT_EQ(core::OfferSaveLog(log, view, LogDiscard::Cancellable, prompts, Journal(), nullptr,
                                 {}, &savedTo),
              SaveAnswer::GoOn);
    EXPECT_EQ(savedTo, dir.File("t1.txt"));
}

TEST_F(SaveOffer, ForcedDiscardJournalsAfterEveryWayTheSaveCanFail) {
    const std::string taken = dir.File("taken.txt");
    ASSERT_TRUE(core::WriteFileAtomically(taken, "keep"));
    struct Way {
        std::deque<PromptAnswer> answers;
        std::optional<std::string> file;
    };
    const Way ways[] = {
        {{PromptAnswer::Cancel}, std::nullopt},                 // Cancel to the question
        {{PromptAnswer::Yes, PromptAnswer::No}, taken},         // replacing refused
        {{PromptAnswer::Yes}, dir.File("missing/dir/log.txt")}, // the write failed
    };
    int copy = 1;
    for (const Way& way : ways) {
        Fill(log, 2);
        prompts.answers = way.answers;
        prompts.fileNames = {way.file};
        EXPECT_EQ(Offer(LogDiscard::Forced), SaveAnswer::GoOn);
        EXPECT_EQ(log.Count(), 0);
        // The same start each time: each journal file takes the next free name.
        EXPECT_TRUE(std::filesystem::exists(JournalFile(copy++)));
    }
    EXPECT_EQ(Read(taken), "keep");
    EXPECT_EQ(JournalFile(2), Journal() + "/2026-01-31_14-05-09-2.txt");
}

TEST_F(SaveOffer, ForcedDiscardKeepsTheLogWhenEvenTheJournalFails) {
    ASSERT_TRUE(core::WriteFileAtomically(dir.File("data"), "a file where a folder must go"));
    prompts.answers = {PromptAnswer::Cancel};
    EXPECT_EQ(Offer(LogDiscard::Forced), SaveAnswer::Failed);
    EXPECT_EQ(log.Count(), 3);
    ASSERT_EQ(prompts.asked.size(), 2u);
    EXPECT_EQ(prompts.asked[1].kind, test::Prompt::Error);
    EXPECT_EQ(prompts.asked[1].text.rfind("Cannot create file " + dir.File("data"), 0), 0u)
        << prompts.asked[1].text;
}

TEST_F(SaveOffer, RecordsAddedWhileTheDialogIsOpenAreSavedToo) {
    const std::string path = dir.File("log.txt");
    prompts.answers = {PromptAnswer::Yes};
    prompts.fileNames = {path};
    prompts.onAsk = [&](const test::Prompt& p) {
        if (p.kind != test::Prompt::SaveFile)
            return;
        log.Accumulate(core::SteadyAt(kStart + 3.0 / 86400), 1.0f, 0.5);
        log.Tick(core::SteadyAt(kStart + 3.0 / 86400), 1, false);
    };
    EXPECT_EQ(Offer(LogDiscard::Cancellable), SaveAnswer::GoOn);
    const std::string bytes = Read(path);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 4);
}

core::TestMarks SomeMarks() {
    core::TestMarks marks;
    marks.fireId = 4;
    marks.fireStartT = 1.5;
    marks.detectors = {{"И1", 2.0, 0.25f}};
    return marks;
}

TEST_F(SaveOffer, TheTestsMarksGoBesideTheSavedTable) {
    const core::TestMarks marks = SomeMarks();
    const std::string path = dir.File("log.txt");
    prompts.answers = {PromptAnswer::Yes};
    prompts.fileNames = {path};
    EXPECT_EQ(Offer(LogDiscard::Cancellable, &marks), SaveAnswer::GoOn);
    EXPECT_EQ(Read(path + ".test.txt"), core::FormatMarksFile(marks));
    EXPECT_EQ(log.Count(), 0);
}

TEST_F(SaveOffer, AJournalledLogKeepsItsMarksToo) {
    const core::TestMarks marks = SomeMarks();
    prompts.answers = {PromptAnswer::Cancel};
    EXPECT_EQ(Offer(LogDiscard::Forced, &marks), SaveAnswer::GoOn);
    EXPECT_EQ(Read(JournalFile() + ".test.txt"), core::FormatMarksFile(marks));
}

TEST_F(SaveOffer, MarksThatCannotBeWrittenKeepTheLog) {
    const core::TestMarks marks = SomeMarks();
    const std::string path = dir.File("log.txt");
    std::filesystem::create_directory(path + ".test.txt"); // not replaceable, whoever runs this
    prompts.answers = {PromptAnswer::Yes};
    prompts.fileNames = {path};
    EXPECT_EQ(Offer(LogDiscard::Cancellable, &marks), SaveAnswer::Failed);
    EXPECT_EQ(log.Count(), 3);
    ASSERT_EQ(prompts.asked.size(), 3u);
    EXPECT_EQ(prompts.asked[2].kind, test::Prompt::Error);
    EXPECT_EQ(prompts.asked[2].text.rfind("Cannot create file " + path + ".test.txt\n", 0), 0u)
        << prompts.asked[2].text;
}

TEST(Journal, FolderAndFileNames) {
    EXPECT_EQ(core::JournalDir("/home/lab/.local/share"), "/home/lab/.local/share/vels5/journal");
    EXPECT_EQ(core::JournalFileName(kStart), "2026-01-31_14-05-09.txt");
    EXPECT_EQ(core::JournalFileName(kStart, 3), "2026-01-31_14-05-09-3.txt");
    EXPECT_EQ(core::JournalFileName(core::EncodeDateTime({2026, 12, 1, 0, 0, 0, 999})),
              "2026-12-01_00-00-00.txt");
}

TEST(Journal, DataHomeFollowsXdgDataHomeOrHome) {
    const char* savedXdg = std::getenv("XDG_DATA_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string xdg = savedXdg ? savedXdg : "";
    const std::string home = savedHome ? savedHome : "";
    setenv("HOME", "/home/lab", 1);
    setenv("XDG_DATA_HOME", "/data/xdg", 1);
    EXPECT_EQ(core::DefaultDataHome(), "/data/xdg");
    setenv("XDG_DATA_HOME", "relative/path", 1); // not absolute: ignored
    EXPECT_EQ(core::DefaultDataHome(), "/home/lab/.local/share");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(core::DefaultDataHome(), "/home/lab/.local/share");
    savedXdg ? setenv("XDG_DATA_HOME", xdg.c_str(), 1) : unsetenv("XDG_DATA_HOME");
    savedHome ? setenv("HOME", home.c_str(), 1) : unsetenv("HOME");
}

TEST(Journal, WritesIntoAFolderItCreates) {
    test::TempDir dir;
    core::RecordLog log;
    Fill(log, 1);
    const std::string journal = dir.File("a/b/vels5/journal");
    const core::JournalWrite written = core::WriteLogToJournal(log, {}, journal);
    ASSERT_TRUE(written) << written.result.error;
    EXPECT_EQ(written.path, journal + "/2026-01-31_14-05-09.txt");
    EXPECT_EQ(Read(written.path), core::FormatLogFile(log, ";", false));
    struct stat st {};
    ASSERT_EQ(stat(journal.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

} // namespace
