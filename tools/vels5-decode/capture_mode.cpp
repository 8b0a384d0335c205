// Capture mode: raw line bytes through the monitor's receiver, one JSON object per frame.
#include "core/link/link_receiver.h"
#include "core/link/status_area.h"
#include "tools/common/json_line.h"
#include "tools/vels5-decode/modes.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <span>

namespace decode {
namespace {

void AppendBlock(JsonLine& line, const char* key, const core::BlockStatus& b) {
    line.BeginObject(key)
        .UInt("rms_code", b.rmsCode)
        .UInt("peak_code", b.peakCode)
        .Int("temp_code", b.tempCode)
        .Float("third", b.thirdLevel)
        .Float("kt", b.kt)
        .UInt("faults", b.faults)
        .UInt("att", b.attenuatorStep)
        .EndObject();
}

void AppendStatus(JsonLine& line, const core::StatusArea& area) {
    line.UInt("mode", area.Mode())
        .Float("di", area.Di())
        .Float("ui", area.Ui())
        .Int("stab_min", area.StabMinutes())
        .Int("stab_sec", area.StabSeconds())
        .UInt("adjust_blank", area.AdjustBlank());
    AppendBlock(line, "pd", area.Photodetector());
    AppendBlock(line, "em", area.Emitter());
}

// Prints every accepted frame. A status frame is printed from OnStatusFrame, once its payload
// is in the status area; any other frame at once.
class CaptureSink final : public core::ILinkSink {
public:
    CaptureSink(const core::LinkReceiver& receiver, const core::StatusArea& area, std::FILE* out)
        : m_receiver(receiver), m_area(area), m_out(out) {}

    void SetFrameOffset(std::uint64_t offset) { m_frameOffset = offset; }
    std::uint64_t StatusFrames() const { return m_statusFrames; }

    void OnValidFrame() override {
        if (Header().command != core::kCmdStatus)
            Emit(false);
    }
    void OnStatusFrame() override {
        ++m_statusFrames;
        Emit(true);
    }

private:
    std::span<const std::uint8_t> Frame() const {
        return {m_receiver.LastFrame(), m_receiver.LastFrameLength()};
    }
    core::FrameHeader Header() const { return core::ReadFrameHeader(Frame()).value(); }

    void Emit(bool status) {
        const core::FrameHeader h = Header();
        JsonLine line;
        line.UInt("cmd", h.command);
        if (h.hasAddress)
            line.UInt("addr", h.address);
        else
            line.Null("addr");
        line.UInt("len", h.length).UInt("offset", m_frameOffset);
        if (status)
            AppendStatus(line, m_area);
        else
            line.Hex("payload", Frame().data() + h.payloadAt, h.length);
        const std::string text = line.Finish();
        std::fwrite(text.data(), 1, text.size(), m_out);
    }

    const core::LinkReceiver& m_receiver;
    const core::StatusArea& m_area;
    std::FILE* m_out;
    std::uint64_t m_frameOffset = 0;
    std::uint64_t m_statusFrames = 0;
};

void PrintSummary(std::FILE* out, const core::LinkReceiver& receiver, std::uint64_t status) {
    const core::DropCounters& d = receiver.Dropped();
    JsonLine line;
    line.UInt("frames", receiver.Accepted()).UInt("status", status);
    line.BeginObject("dropped")
        .UInt("bad_crc", d.badCrc)
        .UInt("bad_escape", d.badEscape)
        .UInt("interrupted", d.interrupted)
        .UInt("overlong", d.overlong)
        .EndObject();
    const std::string text = line.Finish();
    std::fwrite(text.data(), 1, text.size(), out);
}

int RunCapture(const ModeContext& ctx) {
    std::string name;
    for (const std::string& arg : ctx.args) {
        if (arg.size() > 1 && arg[0] == '-') {
            Complain(ctx, "unknown option '" + arg + "' (try --help)");
            return kExitBadInput;
        }
        if (!name.empty()) {
            Complain(ctx, "one capture file at a time (try --help)");
            return kExitBadInput;
        }
        name = arg;
    }
    std::FILE* in = OpenInput(name, ctx);
    if (!in)
        return kExitBadInput;

    core::StatusArea area;
    core::LinkReceiver receiver(area);
    CaptureSink sink(receiver, area, ctx.out);
    receiver.SetSink(&sink);

    std::array<std::uint8_t, 65536> chunk;
    std::uint64_t offset = 0;
    std::size_t n = 0;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), in)) > 0) {
        for (std::size_t i = 0; i < n; ++i, ++offset) {
            // A frame's only raw 0xC0 is its first byte, so the last one seen starts the
            // frame that completes.
            if (chunk[i] == core::kFrameStart)
                sink.SetFrameOffset(offset);
            receiver.Push(chunk[i]);
        }
    }
    const bool readFailed = std::ferror(in) != 0;
    const int readErrno = errno;
    CloseInput(in, ctx);
    if (readFailed) {
        Complain(ctx, "cannot read '" + (name.empty() ? std::string("-") : name) +
                          "': " + std::strerror(readErrno));
        return kExitBadInput;
    }
    PrintSummary(ctx.out, receiver, sink.StatusFrames());
    if (std::fflush(ctx.out) != 0 || std::ferror(ctx.out)) {
        Complain(ctx, std::string("cannot write the output: ") + std::strerror(errno));
        return kExitWriteFailed;
    }
    return kExitOk;
}

} // namespace

const Mode kCaptureMode{
    "", "[FILE]",
    "Decodes a raw capture of the meter's serial line through the monitor's own frame\n"
    "receiver. FILE is the capture; standard input when FILE is missing or \"-\". Record\n"
    "one with the line in raw mode, for example:\n"
    "  stty -F /dev/ttyUSB0 38400 raw -echo && cat /dev/ttyUSB0 > capture.bin\n"
    "\n"
    "For every frame with a valid checksum one JSON object is printed on its own line:\n"
    "  {\"cmd\":32,\"addr\":null,\"len\":63,\"offset\":0,...}\n"
    "  cmd     command byte (32 status, 34 restart)\n"
    "  addr    7-bit block address, or null for a frame without an address\n"
    "  len     payload length, bytes\n"
    "  offset  position of the frame's 0xC0 in the capture, from 0\n"
    "A status frame adds the status area as it stands after that frame (a short payload\n"
    "leaves the rest of the area as earlier frames set it): mode, di (dB), ui (V),\n"
    "stab_min, stab_sec (signed), adjust_blank, and the objects pd (photodetector,\n"
    "bytes 1-22) and em (emitter, bytes 23-44) with rms_code, peak_code (volts =\n"
    "code * 10 / 8191), temp_code (1/256 degC), third (V), kt, faults, att.\n"
    "Any other frame adds its payload as hex: \"payload\":\"0a1b...\".\n"
    "Floats have just enough digits to read back the same float32; NaN and the\n"
    "infinities are the strings \"NaN\", \"Infinity\" and \"-Infinity\".\n"
    "\n"
    "A last object counts the accepted frames, the status frames among them and the\n"
    "dropped frames by cause (a frame still incomplete at the end is not counted):\n"
    "  {\"frames\":N,\"status\":N,\"dropped\":{\"bad_crc\":N,\"bad_escape\":N,"
    "\"interrupted\":N,\"overlong\":N}}\n",
    RunCapture};

} // namespace decode
