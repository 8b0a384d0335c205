// A recording observer for MeasurementSession tests, and save questions answered from a
// queue of outcomes.
#pragma once

#include "core/common/clock.h"
#include "core/common/date_time.h"
#include "core/files/save_offer.h"
#include "core/session/measurement_session.h"
#include "tests/common/status_frame.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace test {

/// Records every announcement of the session it observes.
class FakeSessionObserver : public core::ISessionObserver {
public:
    std::function<void()> duringOffer; ///< runs at SaveOffered, inside the session's call

    int statusFrames = 0;
    int linkLosses = 0;
    std::vector<int> rowsAdded; ///< the index of each RecordAdded
    int resets = 0;             ///< LogReset
    int loads = 0;              ///< LogLoaded
    int testChanges = 0;
    int stateChanges = 0;
    std::string elapsed; ///< the latest ElapsedTimeChanged
    int offers = 0;
    std::vector<core::LogDiscard> discards; ///< of each offer, in order
    std::vector<std::vector<std::uint8_t>> sent;
    std::vector<std::string> notices;         ///< each LogFull notice
    std::vector<std::string> journalFailures; ///< each JournalFailed notice

    void RecordAdded(int index) override { rowsAdded.push_back(index); }
    void LogReset() override { ++resets; }
    void LogLoaded() override { ++loads; }
    void ElapsedTimeChanged(std::string_view text) override { elapsed = text; }
    void StatusReceived() override { ++statusFrames; }
    void LinkLost() override { ++linkLosses; }
    void TestChanged() override { ++testChanges; }
    void StateChanged() override { ++stateChanges; }
    void SaveOffered(core::LogDiscard discard) override {
        ++offers;
        discards.push_back(discard);
        if (duringOffer)
            duringOffer();
    }
    void Notice(core::SessionNotice kind, std::string_view text) override {
        (kind == core::SessionNotice::LogFull ? notices : journalFailures).emplace_back(text);
    }
    void SendFrame(std::span<const std::uint8_t> frame) override {
        sent.emplace_back(frame.begin(), frame.end());
    }
};

/// Answers "Сохранить данные?" so that the save offer comes to the queued outcome (empty: go
/// on). GoOn: "No". Stop: "Cancel". Failed: "Yes" and a file that cannot be written, so a
/// forced discard then falls back to the journal folder (which fails when none is set).
class SaveAnswers final : public core::IPrompts {
public:
    std::deque<core::SaveAnswer> answers;
    std::function<void()> duringQuestion; ///< runs inside "Сохранить данные?" (a modal loop)
    int questions = 0;                    ///< "Сохранить данные?" asked

    void Information(std::string_view, std::string_view) override {}
    void Error(std::string_view, std::string_view) override {}
    core::PromptAnswer Question(std::string_view, std::string_view text,
                                core::PromptButtons) override {
        if (text != core::save_text::kSaveData)
            return core::PromptAnswer::No;
        ++questions;
        if (duringQuestion)
            duringQuestion();
        m_fail = !answers.empty() && answers.front() == core::SaveAnswer::Failed;
        const core::SaveAnswer a = answers.empty() ? core::SaveAnswer::GoOn : answers.front();
        if (!answers.empty())
            answers.pop_front();
        if (a == core::SaveAnswer::GoOn)
            return core::PromptAnswer::No;
        return a == core::SaveAnswer::Stop ? core::PromptAnswer::Cancel : core::PromptAnswer::Yes;
    }
    std::optional<std::string> OpenFileName(const core::FileDialogOptions&) override {
        return std::nullopt;
    }
    std::optional<core::Rgb> ChooseColour(core::Rgb) override { return std::nullopt; }
    std::optional<std::string> SaveFileName(const core::FileDialogOptions&) override {
        // A file inside a file: nothing can be created there, not even by root.
        return m_fail ? std::optional<std::string>("/proc/version/log.txt") : std::nullopt;
    }

private:
    bool m_fail = false;
};

/// A session on a manual clock starting 2026-01-01 12:00:00, observed by `host`, its save
/// question answered by `answers`.
struct SessionRig {
    FakeSessionObserver host;
    SaveAnswers answers;
    core::ManualClock clock{core::EncodeDateTime({2026, 1, 1, 12, 0, 0, 0})};
    core::MeasurementSession session{clock};

    SessionRig() {
        session.AddObserver(host);
        session.SetPrompts(&answers);
    }
    SessionRig(const SessionRig&) = delete;
    SessionRig& operator=(const SessionRig&) = delete;

    /// Sets the status area and runs ProcessStatus.
    void Frame(std::uint8_t mode, float ui = 1.0f, float di = 0.5f, std::uint8_t photoFaults = 0,
               std::uint8_t emitterFaults = 0) {
        SetStatus(session.Status(), mode, ui, di, photoFaults);
        core::BlockStatus emitter;
        emitter.faults = emitterFaults;
        session.Status().SetEmitter(emitter);
        session.ProcessStatus();
    }
    /// Advances the clock by `ms` and ticks the record timer if it runs.
    void TickAfter(long long ms) {
        clock.AdvanceMs(ms);
        if (session.Timer1().running)
            session.Timer1Timer();
    }
};

} // namespace test
