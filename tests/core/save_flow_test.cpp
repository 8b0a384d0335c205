// The one save flow scripted without a window: what a cancelled dialog, a refused replace, a
// content that could not be made and a failed write leave on disk and tell the user.
#include "core/files/atomic_file.h"
#include "core/files/save_flow.h"
#include "tests/common/fake_prompts.h"
#include "tests/common/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using core::PromptAnswer;
using core::PromptButtons;
using core::SaveOutcome;
using test::Prompt;

void Put(const std::string& path, const std::string& bytes) {
    ASSERT_TRUE(core::WriteFileAtomically(path, bytes)) << path;
}

std::string Read(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(core::ReadWholeFile(path, bytes)) << path;
    return bytes;
}

class SaveFlow : public ::testing::Test {
protected:
    // Saves "new bytes" under the request's buttons; counts how often the content was made.
    core::SaveResult Save(PromptButtons buttons, std::string failure = {}) {
        core::SaveRequest request{core::TextFileDialog("Сохранить таблицу"), buttons};
        return core::SaveFile(prompts, request, [&] {
            ++made;
            return core::SaveContent{"new bytes", failure};
        });
    }

    test::TempDir dir;
    test::FakePrompts prompts;
    int made = 0;
};

TEST_F(SaveFlow, CancelledDialogAsksNothingFurtherAndMakesNothing) {
    prompts.fileNames.push_back(std::nullopt);
    const core::SaveResult result = Save(PromptButtons::OkCancel);
    EXPECT_EQ(result.outcome, SaveOutcome::Cancelled);
    EXPECT_TRUE(result.path.empty());
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].kind, Prompt::SaveFile);
    EXPECT_EQ(made, 0);
}

// The old file (its name in Cyrillic, which the existence check must see as it is) stays byte
// for byte whichever refusal the writer's buttons offer; nothing else appears beside it.
TEST_F(SaveFlow, RefusedReplaceWritesNothingAndKeepsTheOldFile) {
    const std::string path = dir.File("протокол.txt");
    const std::string old("old\r\nbytes\0kept", 15);
    Put(path, old);
    const struct {
        PromptButtons buttons;
        PromptAnswer refusal;
    } cases[] = {{PromptButtons::OkCancel, PromptAnswer::Cancel},
                 {PromptButtons::YesNo, PromptAnswer::No}};
    for (const auto& c : cases) {
        prompts.Clear();
        prompts.fileNames.push_back(path);
        prompts.answers.push_back(c.refusal);
        const core::SaveResult result = Save(c.buttons);
        EXPECT_EQ(result.outcome, SaveOutcome::Cancelled);
        ASSERT_EQ(prompts.asked.size(), 2u);
        EXPECT_EQ(prompts.asked[1].kind, Prompt::Question);
        EXPECT_EQ(prompts.asked[1].caption, "");
        EXPECT_EQ(prompts.asked[1].text, "Файл существует, заменить?");
        EXPECT_EQ(prompts.asked[1].buttons, c.buttons);
        EXPECT_EQ(made, 0);
        EXPECT_EQ(Read(path), old);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    }
}

// Content that could not be made: told once with the path and the reason, the old file kept.
TEST_F(SaveFlow, ContentFailureKeepsTheOldFileAndIsToldOnce) {
    const std::string path = dir.File("report.pdf");
    Put(path, "old");
    prompts.fileNames.push_back(path);
    prompts.answers.push_back(PromptAnswer::Ok);
    const core::SaveResult result = Save(PromptButtons::OkCancel, "the PDF could not be started");
    EXPECT_EQ(result.outcome, SaveOutcome::Failed);
    ASSERT_EQ(prompts.asked.size(), 3u);
    EXPECT_EQ(prompts.asked[2].kind, Prompt::Error);
    EXPECT_EQ(prompts.asked[2].caption, core::kAppTitle);
    EXPECT_EQ(prompts.asked[2].text,
              "Cannot create file " + path + "\nthe PDF could not be started");
    EXPECT_EQ(Read(path), "old");
}

// A folder under the chosen name cannot be replaced by a file (as root too): the write fails,
// is told once, and the folder with its file is as it was.
TEST_F(SaveFlow, FailedWriteKeepsWhatWasThereAndIsToldOnce) {
    const std::string path = dir.File("taken");
    std::filesystem::create_directory(path);
    Put(path + "/inside.txt", "kept");
    prompts.fileNames.push_back(path);
    prompts.answers.push_back(PromptAnswer::Ok);
    const core::SaveResult result = Save(PromptButtons::OkCancel);
    EXPECT_EQ(result.outcome, SaveOutcome::Failed);
    EXPECT_EQ(result.path, path);
    ASSERT_EQ(prompts.asked.size(), 3u);
    EXPECT_EQ(prompts.asked[2].kind, Prompt::Error);
    EXPECT_EQ(prompts.asked[2].text.rfind("Cannot create file " + path + "\n", 0), 0u)
        << prompts.asked[2].text;
    EXPECT_EQ(Read(path + "/inside.txt"), "kept");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1)
        << "no temporary file is left";
}

} // namespace
