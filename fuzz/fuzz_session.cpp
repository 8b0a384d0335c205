// Fuzzes the measurement session: status payloads, received bytes, clock steps, timer ticks,
// the recording switch, restart and port changes in any order, checking the view invariants.
#include "core/common/clock.h"
#include "core/session/measurement_session.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// The save question answered Cancel or No by the input; the save dialog is cancelled, so no
// file is written (a forced discard falls back to the journal folder, which is not set).
class Prompts final : public core::IPrompts {
public:
    std::uint8_t flags = 0;
    void Information(std::string_view, std::string_view) override {}
    void Error(std::string_view, std::string_view) override {}
    core::PromptAnswer Question(std::string_view, std::string_view, core::PromptButtons) override {
        return (flags & 8) ? core::PromptAnswer::Cancel : core::PromptAnswer::No;
    }
    std::optional<std::string> OpenFileName(const core::FileDialogOptions&) override {
        return std::nullopt;
    }
    std::optional<core::Rgb> ChooseColour(core::Rgb) override { return std::nullopt; }
    std::optional<std::string> SaveFileName(const core::FileDialogOptions&) override {
        return std::nullopt;
    }
};

void Check(bool ok) {
    if (!ok)
        std::abort();
}

void CheckInvariants(const core::MeasurementSession& s) {
    const core::ModeView& v = s.View();
    Check(v.iSQ1 != v.iSQ3 && v.iTrL1 != v.iTrL3 && v.iTrR1 != v.iTrR3);
    const core::RecordLog& log = s.Log();
    Check(log.Count() >= 0 && log.Count() <= core::RecordLog::kMaxRecords);
    Check(log.NSamples() >= -1);
    // The grid only moves forward, whatever the clocks and the link did.
    if (log.Count() > 1)
        Check(log[log.Count() - 1].T > log[log.Count() - 2].T);
    Check(s.LastMode() <= 0x0F);
    Check(s.Blink() <= 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Every input starts from the same state, so a finding reproduces from its input alone:
    // a fresh session (cheap: its log takes over the zeroed slots of the previous one), the
    // the same answers and the clock at the same start.
    Prompts prompts;
    core::ManualClock clock(46023.5);
    core::MeasurementSession session(clock);
    session.SetPrompts(&prompts);
    std::size_t i = 0;
    auto next = [&]() -> std::uint8_t { return i < size ? data[i++] : 0; };
    while (i < size) {
        const std::uint8_t op = next();
        switch (op % 12) {
        case 0: { // a raw status payload of up to 63 bytes, then ProcessStatus
            const std::size_t n = std::min<std::size_t>(next() % 64, size - i);
            session.Status().CopyPayload(data + i, n);
            i += n;
            session.ProcessStatus();
            break;
        }
        case 1: { // bytes for the receiver
            const std::size_t n = std::min<std::size_t>(next(), size - i);
            session.ReceiveBytes({data + i, n});
            i += n;
            break;
        }
        case 2:
            clock.AdvanceMs(next() * 50);
            if (session.Timer1().running)
                session.Timer1Timer();
            break;
        case 3: // a long pause, or the wall clock stepped either way alone
            if (next() & 1)
                clock.AdvanceMs(static_cast<long long>(next()) * 60'000);
            else
                clock.StepWallMs((static_cast<long long>(next()) - 128) * 30'000);
            break;
        case 4:
            session.Timer1Timer();
            break;
        case 5:
            session.Timer2Timer();
            break;
        case 6:
            session.miLinkClick();
            break;
        case 7:
            session.bbEnRecClick(next() & 1);
            break;
        case 8:
            session.bbRestartClick();
            break;
        case 9:
            switch (next() % 3) {
            case 0:
                session.PortOpened();
                break;
            case 1:
                session.PortClosed();
                break;
            default:
                session.DeviceLost();
                break;
            }
            break;
        case 10:
            session.Params().wTimeStep = next();
            session.Params().fDist = static_cast<float>(next()) / 16.0f;
            break;
        default:
            prompts.flags = next();
            break;
        }
        CheckInvariants(session);
    }
    return 0;
}
