// Fuzzes the measurement session: status payloads, received bytes, clock steps, timer ticks,
// the recording switch, restart and port changes in any order, checking the view invariants.
#include "core/common/clock.h"
#include "core/session/measurement_session.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

class Host final : public core::NullMeasurementHost {
public:
    std::uint8_t flags = 0;
    bool TechVisible() const override { return flags & 1; }
    bool TableVisible() const override { return flags & 2; }
    bool GraphVisible() const override { return flags & 4; }
    core::SaveAnswer OfferSaveLog(core::LogDiscard) override {
        return (flags & 8) ? core::SaveAnswer::Stop : core::SaveAnswer::GoOn;
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
    // host's windows hidden and the clock at the same start.
    Host host;
    core::ManualClock clock(46023.5);
    core::MeasurementSession session(host, clock);
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
            host.flags = next();
            break;
        }
        CheckInvariants(session);
    }
    return 0;
}
