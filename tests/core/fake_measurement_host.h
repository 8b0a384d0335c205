// A scripted main window for MeasurementSession tests: records the calls, answers the save
// offer from a queue.
#pragma once

#include "core/common/clock.h"
#include "core/common/date_time.h"
#include "core/session/measurement_session.h"
#include "tests/common/status_frame.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace test {

class FakeMeasurementHost : public core::IMeasurementHost {
public:
    bool techVisible = false;
    bool tableVisible = false;
    bool graphVisible = false;
    std::deque<core::SaveAnswer> answers; ///< empty: go on
    std::function<void()> duringOffer;    ///< runs inside OfferSaveLog (a modal loop)

    int techUpdates = 0;
    int techLinkLosses = 0;
    std::vector<int> rowsAdded;
    int clearRows = 0;
    int redraws = 0;
    std::string tableTime;
    std::string graphTime;
    int offers = 0;
    std::vector<core::LogDiscard> discards; ///< of each offer, in order
    std::vector<std::vector<std::uint8_t>> sent;
    std::vector<std::string> notices;
    core::TableView rowFormat;                ///< the journal's row format
    std::vector<std::string> journalFailures; ///< each NotifyJournalFailure text

    bool TechVisible() const override { return techVisible; }
    bool TableVisible() const override { return tableVisible; }
    bool GraphVisible() const override { return graphVisible; }
    void UpdateTech() override { ++techUpdates; }
    void TechLinkLost() override { ++techLinkLosses; }
    void AddRecordRow(int index) override { rowsAdded.push_back(index); }
    void ClearRows() override { ++clearRows; }
    void RedrawGraph() override { ++redraws; }
    void SetTableTime(std::string_view text) override { tableTime = text; }
    void SetGraphTime(std::string_view text) override { graphTime = text; }
    core::SaveAnswer OfferSaveLog(core::LogDiscard discard) override {
        ++offers;
        discards.push_back(discard);
        if (duringOffer)
            duringOffer();
        if (answers.empty())
            return core::SaveAnswer::GoOn;
        const core::SaveAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    void SendFrame(std::span<const std::uint8_t> frame) override {
        sent.emplace_back(frame.begin(), frame.end());
    }
    void NotifyLogFull(std::string_view text) override { notices.emplace_back(text); }
    core::TableView RowFormat() const override { return rowFormat; }
    void NotifyJournalFailure(std::string_view text) override {
        journalFailures.emplace_back(text);
    }
};

/// A session on a manual clock starting 2026-01-01 12:00:00, with a port open.
struct SessionRig {
    FakeMeasurementHost host;
    core::ManualClock clock{core::EncodeDateTime({2026, 1, 1, 12, 0, 0, 0})};
    core::MeasurementSession session{host, clock};

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
