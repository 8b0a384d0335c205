// Log mode: replays a capture through the monitor's mode and record-log logic on a simulated
// clock, printing the mode panels as they change and every record written.
#include "core/common/clock.h"
#include "core/common/date_time.h"
#include "core/link/link_receiver.h"
#include "core/link/status_area.h"
#include "core/session/measurement_session.h"
#include "tools/common/json_line.h"
#include "tools/common/option_parser.h"
#include "tools/vels5-decode/modes.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace decode {
namespace {

constexpr long long kTickMs = 300; // the record timer's interval

struct LogOptions {
    int periodSec = 1;
    float distMetres = 1.0f;
    long long frameMs = 200;
    std::string file;
};

// What the replay reports of the session: every record written and the log's end. The
// session has no prompts, so a log is discarded unasked; the watchdog never fires.
class ReplayObserver final : public core::ISessionObserver {
public:
    const core::MeasurementSession* session = nullptr;
    std::string pending; // output lines not yet written
    bool logFull = false;

    void RecordAdded(int index) override {
        const core::MeasurementRecord& r = session->Log()[index];
        pending += JsonLine()
                       .Int("record", index)
                       .UInt("T", r.T)
                       .Float("Ui", r.Ui)
                       .Float("m", r.m)
                       .String("time", core::FormatTimeOfDay(r.Time))
                       .Finish();
    }
    void Notice(core::SessionNotice kind, std::string_view) override {
        logFull |= kind == core::SessionNotice::LogFull;
    }
};

void AddLabel(std::string& out, bool& first, const char* name, const core::LabelView& label) {
    if (!label.visible)
        return;
    out += first ? "" : ",";
    first = false;
    out += JsonString(name) + ":" + JsonString(label.text);
}

// {"view":P,"labels":{...}} with the visible labels of the front-most panel in their panel
// order, and for pAdjust the visible indicator pictures, sorted.
std::string ViewLine(const core::ModeView& v) {
    const std::optional<core::Panel> front = v.Front();
    std::string out = "{\"view\":";
    out += front ? JsonString(core::PanelName(*front)) : "null";
    out += ",\"labels\":{";
    bool first = true;
    switch (front.value_or(core::Panel::Error)) {
    case core::Panel::Start:
        AddLabel(out, first, "lStart", v.lStart);
        break;
    case core::Panel::Work:
        AddLabel(out, first, "lUo", v.lUo);
        AddLabel(out, first, "lUi", v.lUi);
        AddLabel(out, first, "lDi", v.lDi);
        break;
    case core::Panel::Stab:
        AddLabel(out, first, "lStab", v.lStab);
        AddLabel(out, first, "lStabTime", v.lStabTime);
        break;
    case core::Panel::Adjust:
        AddLabel(out, first, "lMode", v.lMode);
        AddLabel(out, first, "lUa", v.lUa);
        break;
    case core::Panel::Error:
        if (front) {
            AddLabel(out, first, "lErMode", v.lErMode);
            AddLabel(out, first, "lErBI", v.lErBI);
            AddLabel(out, first, "lErBF", v.lErBF);
        }
        break;
    }
    out += "}";
    if (front == core::Panel::Adjust) {
        const std::pair<const char*, bool> shapes[] = {{"iSQ1", v.iSQ1},   {"iSQ3", v.iSQ3},
                                                       {"iTrL1", v.iTrL1}, {"iTrL3", v.iTrL3},
                                                       {"iTrR1", v.iTrR1}, {"iTrR3", v.iTrR3}};
        out += ",\"shapes\":[";
        bool firstShape = true;
        for (const auto& [name, visible] : shapes) {
            if (!visible)
                continue;
            out += firstShape ? "" : ",";
            firstShape = false;
            out += JsonString(name);
        }
        out += "]";
    }
    out += "}\n";
    return out;
}

// Status frame k arrives at k * frameMs; the record timer ticks at every multiple of 300 ms
// after the start while it runs, after a frame of the same instant.
class Replay final {
public:
    Replay(const LogOptions& options, std::FILE* out)
        : m_options(options), m_out(out), m_clock(core::EncodeDateTime({2026, 1, 1, 12, 0, 0, 0})),
          m_session(m_clock), m_receiver(m_area) {
        m_observer.session = &m_session;
        m_session.AddObserver(m_observer);
        m_session.Params().wTimeStep = static_cast<std::uint16_t>(options.periodSec);
        m_session.Params().fDist = options.distMetres;
        m_session.PortOpened(); // a successful TxClick: recording on, ResetLog
        Flush();
    }

    /// Capture bytes in order; each status frame is replayed at its instant.
    void Push(std::span<const std::uint8_t> bytes) {
        while (!bytes.empty()) {
            const core::Received r = m_receiver.Push(bytes);
            bytes = bytes.subspan(r.consumed);
            if (r.what == core::Reception::Status)
                StatusFrame();
        }
    }
    /// Runs the ticks due at the instant of the last frame. Returns false on a write error.
    bool Finish() {
        if (m_frames > 0)
            TicksUpTo((m_frames - 1) * m_options.frameMs, true);
        return Flush();
    }
    bool WriteFailed() const { return m_writeFailed; }
    bool LogFull() const { return m_observer.logFull; }
    int Records() const { return m_session.Log().Count(); }

private:
    void StatusFrame() {
        const long long at = m_frames * m_options.frameMs;
        // Ticks before this instant see the previous frame's status.
        TicksUpTo(at, false);
        SetTime(at);
        m_session.Status() = m_area;
        m_session.ProcessStatus();
        ++m_frames;
        Flush();
    }

    void SetTime(long long ms) { m_clock.AdvanceMs(ms - m_clock.ElapsedMs()); }

    void TicksUpTo(long long ms, bool inclusive) {
        for (; m_nextTick * kTickMs < ms || (inclusive && m_nextTick * kTickMs == ms);
             ++m_nextTick) {
            if (!m_session.Timer1().running)
                continue;
            SetTime(m_nextTick * kTickMs);
            m_session.Timer1Timer();
        }
    }

    // Writes the records collected so far, then the view if it changed.
    bool Flush() {
        std::string text;
        text.swap(m_observer.pending);
        std::string view = ViewLine(m_session.View());
        if (view != m_lastView) {
            text += view;
            m_lastView = std::move(view);
        }
        if (!text.empty() && std::fwrite(text.data(), 1, text.size(), m_out) != text.size())
            m_writeFailed = true;
        return !m_writeFailed;
    }

    const LogOptions& m_options;
    std::FILE* m_out;
    ReplayObserver m_observer;
    core::ManualClock m_clock;
    core::MeasurementSession m_session;
    core::StatusArea m_area;
    core::LinkReceiver m_receiver;
    long long m_frames = 0;
    long long m_nextTick = 1; // not at 0
    std::string m_lastView;
    bool m_writeFailed = false;
};

template <typename T>
std::optional<T> ParseNumber(std::string text) {
    for (char& c : text)
        c = c == ',' ? '.' : c;
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<LogOptions> Refuse(const ModeContext& ctx, const std::string& message) {
    Complain(ctx, message);
    return std::nullopt;
}

constexpr tool_args::Option kPeriod{"--period", 0, true};
constexpr tool_args::Option kDist{"--dist", 0, true};
constexpr tool_args::Option kFrameMs{"--frame-ms", 0, true};
constexpr tool_args::Option kLogOptions[] = {kPeriod, kDist, kFrameMs};

// Reads the options; on a mistake complains and returns nullopt.
std::optional<LogOptions> ParseOptions(const ModeContext& ctx) {
    LogOptions o;
    const std::vector<std::string_view> args(ctx.args.begin(), ctx.args.end());
    tool_args::OptionParser parser(kLogOptions, args);
    for (tool_args::Step step = parser.Next(); step.kind != tool_args::StepKind::End;
         step = parser.Next()) {
        const std::string value(step.value);
        if (step.kind == tool_args::StepKind::Operand) {
            if (!o.file.empty())
                return Refuse(ctx, "one capture file at a time (try --help)");
            o.file = value;
        } else if (step.kind != tool_args::StepKind::Option) {
            return Refuse(ctx, "unknown or incomplete option '" + std::string(step.arg) +
                                   "' (try --help)");
        } else if (step.option->name == kPeriod.name) {
            const auto v = ParseNumber<int>(value);
            if (!v || !core::PeriodInRange(*v))
                return Refuse(ctx, "--period takes whole seconds from 1 to 30");
            o.periodSec = *v;
        } else if (step.option->name == kDist.name) {
            const auto v = ParseNumber<float>(value);
            if (!v || !core::DistInRange(*v))
                return Refuse(ctx, "--dist takes metres from 0.3 to 10");
            o.distMetres = *v;
        } else {
            const auto v = ParseNumber<long long>(value);
            if (!v || *v < 1 || *v > 3'600'000)
                return Refuse(ctx, "--frame-ms takes milliseconds from 1 to 3600000");
            o.frameMs = *v;
        }
    }
    return o;
}

int RunLog(const ModeContext& ctx) {
    const std::optional<LogOptions> options = ParseOptions(ctx);
    if (!options)
        return kExitBadInput;
    std::FILE* in = OpenInput(options->file, ctx);
    if (!in)
        return kExitBadInput;

    // The replay holds the 1.2 MB record log: not on the stack.
    auto replay = std::make_unique<Replay>(*options, ctx.out);
    std::array<std::uint8_t, 65536> chunk;
    std::size_t n = 0;
    while (!replay->WriteFailed() && (n = std::fread(chunk.data(), 1, chunk.size(), in)) > 0) {
        replay->Push(std::span<const std::uint8_t>(chunk.data(), n));
    }
    const bool readFailed = std::ferror(in) != 0;
    const int readErrno = errno;
    CloseInput(in, ctx);
    if (readFailed) {
        Complain(ctx, "cannot read '" + (options->file.empty() ? std::string("-") : options->file) +
                          "': " + std::strerror(readErrno));
        return kExitBadInput;
    }
    if (!replay->Finish() || std::fflush(ctx.out) != 0 || std::ferror(ctx.out)) {
        Complain(ctx, std::string("cannot write the output: ") + std::strerror(errno));
        return kExitWriteFailed;
    }
    if (replay->LogFull())
        Complain(ctx, "the log is full after " + std::to_string(replay->Records()) +
                          " records; recording stopped there");
    return kExitOk;
}

} // namespace

const Mode kLogMode{
    "--log", "[--period S] [--dist D] [--frame-ms MS] [FILE]",
    "Replays a capture through the monitor's receiver, mode logic and record log on a\n"
    "simulated clock, so that a log can be derived again at another recording period or\n"
    "distance. FILE is the capture (standard input when missing or \"-\").\n"
    "  --period S     seconds between records, 1 to 30 (default 1)\n"
    "  --dist D       metres between the blocks, 0.3 to 10, point or comma (default 1)\n"
    "  --frame-ms MS  milliseconds between status frames (default 200)\n"
    "\n"
    "The simulation starts on 2026-01-01 at 12:00:00 local time with a port open and\n"
    "recording on. Status frame k (counting accepted status frames from 0) arrives at\n"
    "k * MS ms; while the record timer runs it ticks at every multiple of 300 ms after the\n"
    "start, after a frame of the same instant; the last tick is the last one not later than\n"
    "the last frame. The save offer always answers go on; the link watchdog is not\n"
    "simulated.\n"
    "\n"
    "Output, one JSON object per line:\n"
    "  {\"view\":\"pWork\",\"labels\":{\"lUo\":\"Uo=4,985В\",\"lUi\":\"Ui=2,000В\",...}}\n"
    "    the mode panel in front (pStart, pWork, pStab, pAdjust or pError) with its visible\n"
    "    labels in panel order, printed at the start and whenever it changes; for pAdjust\n"
    "    also \"shapes\": the visible indicator pictures (iSQ1, iSQ3, iTrL1, iTrL3, iTrR1,\n"
    "    iTrR3), sorted.\n"
    "  {\"record\":N,\"T\":S,\"Ui\":V,\"m\":M,\"time\":\"hh:mm:ss\"}\n"
    "    each record written: its index in the log, seconds since the log's start, mean\n"
    "    voltage (V), mean optical density (dB/m) and time of day.\n"
    "When the log fills up (32,767 records, or T would pass 65,535 s) recording stops and\n"
    "a note goes to standard error.\n",
    RunLog};

} // namespace decode
