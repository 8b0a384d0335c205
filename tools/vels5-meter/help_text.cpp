// The --help text of the meter simulator.
#include "tools/vels5-meter/options.h"

namespace meter {

std::string HelpText() {
    return R"text(Usage: vels5-meter [OPTION]...
Simulates the two blocks of the smoke optical-density meter on a serial line, for
testing the monitor without the hardware.

By default it opens a pseudo-terminal and registers it in the monitor's port map
($XDG_CONFIG_HOME/vels5/ports, or ~/.config/vels5/ports) under the lowest free COM
number from COM5, then prints where it is reachable, e.g.
  vels5-meter: COM5 -> /dev/pts/7 (fire ТП1, 200 ms)
Pick that COM port in the monitor (popup menu of the status bar's left panel).
A COM number whose entry still points to an existing device is never taken;
entries left by a killed simulator (pointing to a vanished /dev/pts/N, or to the
pseudo-terminal just given to this one) are reused.

Where:
  --port N            register as COMN (1-255); fails if that entry is in use
  --device PATH       drive a real serial device instead (38400 8N1, raw), e.g.
                      /dev/ttyUSB0, to check a PC's port through a null-modem
                      cable; nothing is registered

What it sends: one status frame (command 0x20, 63 bytes) every --interval,
following this scenario. On a pseudo-terminal the scenario waits in its start
until the monitor opens the port, so the monitor sees every phase however late
the port is chosen; times count from that opening (from the simulator's start
with --device):
  start          mode 0x08, for --start (default 2 s) after the opening
  stabilisation  mode 0x01, countdown from --stab down to 00:01
  adjustment     mode 0x02, for --adjust: Ui below 0,8113 V, inside the range,
                 5 V and above, a stretch with AdjustBlank set, then settling
                 inside the range
  work           mode 0x04: Di = m x distance, where m follows the band of
                 the test fire --fire (see below), time-scaled by --speed;
                 Ui = 4,985 V x 10^(-Di/10). Each work phase begins with
                 --measuring seconds of "measurement under way" (0x04|0x80).
Both blocks report plausible RMS and peak voltage codes, temperatures, third
levels, Kt factors and attenuator steps for the technical panel.

  --interval TIME     time between frames (default 200 ms; a bare number is ms)
  --start TIME        start phase (default 2 s)
  --stab MM:SS        stabilisation countdown (default 00:20; seconds also work)
  --adjust TIME       adjustment phase (default 12 s; 0 skips it)
  --measuring TIME    "measurement under way" at each work start (default 1 s)
  --fire NAME         ТП1 ТП2 ТП2А ТП2Б ТП3 ТП3А ТП3Б ТП4 ТП5 ТП5А ТП5Б, also
                      in Latin letters TP1 ... TP5B (default ТП1)
  --speed X           fire seconds per real second (default 1; 0 holds the start)
  --dist M            distance between the blocks, 0,3-10 m (default 1,0;
                      comma or point); set the same distance in the monitor
  --seed N            seed of the measurement noise (default 1); the same seed
                      gives the same values at the same times

Rehearsing a fire test:
  The fire stays inside the band of its test fire: early on it follows the band's
  middle, later it reaches the end-of-test value m_E half-way between the moments
  the upper and the lower limit reach it (ТП1: 0,75 dB/m at 320 s), with 2 % plus
  0,002 dB/m of noise.
  --outside SIDE[@FROM[+DURATION]]
                      leave the band for a stretch: SIDE upper (30 % plus
                      0,02 dB/m above the upper limit) or lower (40 % below the
                      lower limit); FROM and DURATION in seconds of the fire, as
                      for --fault (default: a tenth of the time to m_E, above
                      from 40 % of that time, below from 60 % of the way from
                      the start of the lower limit to m_E); prints when the fire
                      leaves the band and when it is back
  --detectors N       N simulated detectors И1 ... ИN under test (1-99); each
                      "alarms" once when m reaches its threshold, and a line
                      "detector И2 alarms: m=0,101 dB/m (threshold 0,100 dB/m)"
                      is printed: mark it in the monitor (Ctrl+2)
  --threshold M       the thresholds spread evenly from 80 % to 120 % of M dB/m
                      (default 0,1, at most half of m_E)

Faults and line trouble:
  --fault BLOCK:FLAGS@TIME[+DURATION]
                      set fault bits of a block for a while, e.g.
                      em:0x02@30s+10s (emitter faulty from 30 s for 10 s) or
                      pd:0x08@1m (photodetector signal low from 1 min on).
                      BLOCK: em|emitter|bi or pd|photo|photodetector|bf;
                      FLAGS 1-255 (decimal or 0x..); TIME and DURATION as
                      30, 30s, 500ms, 2m, 1:30 (scenario time, see
                      above). May be repeated.
  --line-errors RATE  damage this share (0-1) of frames, at random among:
                      corrupted (one byte changed: bad checksum), truncated
                      (cut off, the line stays silent until the next frame,
                      which the cut frame spoils too) and interrupted (cut
                      off and sent again at once: the monitor loses both)
  --addr N            send the long header with block address N (0-127,
                      except 64 and 91, whose address byte would read as 0xC0
                      or 0xDB)

  --split TIME        send each frame in two writes TIME apart (a bare number is
                      ms; shorter than --interval): a slow line, so the monitor
                      must join a frame from two reads
  --unplug FROM+DURATION
                      pull the cable: when the fire reaches FROM seconds the
                      pseudo-terminal closes (the monitor's port hangs up and
                      its device is gone), and DURATION seconds later a new
                      one is offered under the same COM entry, the way a USB
                      adapter plugged in again comes back under its by-id
                      link; the fire goes on where it would be, and no frame
                      is sent in between. The entry then leads to the
                      terminal through a link .COMN.device beside it, which
                      is absent during the gap. E.g. --unplug 40+8. May be
                      repeated (gaps must not overlap); not with --device

Receiving: every frame that arrives is logged with its bytes and verdict. The
restart command C0 22 00 EE starts the work phase again (with its measurement
episode and the fire from its beginning); outside the work phase it is logged
and ignored.

Other:
  -v, --verbose       print every frame sent: time, mode, Ui, Di
  -h, --help          show this text

Ctrl-C, SIGTERM or SIGHUP end the simulator and remove its port-map entry.
Exit status: 0 after a signal, 1 on a device error, 2 on bad options or when the
port cannot be registered.
)text";
}

} // namespace meter
