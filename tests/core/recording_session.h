// A session recording into its journal with a port open, driven on its manual clock in
// steps of 100 ms: work frames every 200 ms (or none) and the record timer every 300 ms.
#pragma once

#include "fake_session_observer.h"
#include "tests/common/status_frame.h"
#include "tests/common/temp_dir.h"

#include <cstdint>
#include <gtest/gtest.h>

namespace test {

class RecordingSession : public ::testing::Test {
public:
    static constexpr std::uint8_t kWork = 0x04; ///< the meter's work mode

protected:
    void SetUp() override {
        rig.session.SetJournal(dir.File("journal"));
        rig.session.PortOpened();
    }
    const core::RecordLog& Log() const { return rig.session.Log(); }
    int Count() const { return Log().Count(); }
    /// Work frames (Ui `ui`, fault bits `faults`) and timer ticks for `ms`.
    void Live(long long ms, float ui = 2.0f, std::uint8_t faults = 0) { Run(ms, true, ui, faults); }
    /// The same ticks without a frame.
    void Silent(long long ms) { Run(ms, false, 0, 0); }
    /// Called after every step of the clock: the window's other timers.
    virtual void Stepped() {}

    TempDir dir;
    SessionRig rig;

private:
    void Run(long long ms, bool frames, float ui, std::uint8_t faults) {
        for (long long t = 0; t < ms; t += 100) {
            if (frames && rig.clock.ElapsedMs() % 200 == 0)
                rig.session.ReceiveBytes(StatusFrame(kWork, ui, 0.5f, faults));
            rig.clock.AdvanceMs(100);
            if (rig.clock.ElapsedMs() % 300 == 0 && rig.session.Timer1().running)
                rig.session.Timer1Timer();
            Stepped();
        }
    }
};

} // namespace test
