// Capture mode: raw line bytes through the monitor's receiver, one JSON object per frame.
#include "core/link/link_receiver.h"
#include "core/link/status_area.h"
#include "tools/common/json_line.h"
#include "tools/common/option_parser.h"
#include "tools/vels5-decode/modes.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

// One accepted frame; a status frame with the status area as it stands after it.
void PrintFrame(std::FILE* out, std::span<const std::uint8_t> frame, const core::StatusArea& area,
                std::uint64_t offset) {
    const core::FrameHeader h = core::ReadFrameHeader(frame).value();
    JsonLine line;
    line.UInt("cmd", h.command);
    if (h.hasAddress)
        line.UInt("addr", h.address);
    else
        line.Null("addr");
    line.UInt("len", h.length).UInt("offset", offset);
    if (h.command == core::kCmdStatus)
        AppendStatus(line, area);
    else
        line.Hex("payload", frame.data() + h.payloadAt, h.length);
    const std::string text = line.Finish();
    std::fwrite(text.data(), 1, text.size(), out);
}

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
    const std::vector<std::string_view> args(ctx.args.begin(), ctx.args.end());
    tool_args::OptionParser parser({}, args);
    for (tool_args::Step step = parser.Next(); step.kind != tool_args::StepKind::End;
         step = parser.Next()) {
        if (step.kind != tool_args::StepKind::Operand) {
            Complain(ctx, "unknown option '" + std::string(step.arg) + "' (try --help)");
            return kExitBadInput;
        }
        if (!name.empty()) {
            Complain(ctx, "one capture file at a time (try --help)");
            return kExitBadInput;
        }
        name = step.value;
    }
    std::FILE* in = OpenInput(name, ctx);
    if (!in)
        return kExitBadInput;

    core::StatusArea area;
    core::LinkReceiver receiver(area);
    std::uint64_t statusFrames = 0;
    std::array<std::uint8_t, 65536> chunk;
    std::uint64_t offset = 0; // of the first byte of the rest of the chunk
    std::size_t n = 0;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), in)) > 0) {
        for (std::span<const std::uint8_t> rest(chunk.data(), n); !rest.empty();) {
            const core::Received r = receiver.Push(rest);
            rest = rest.subspan(r.consumed);
            offset += r.consumed;
            if (!core::IsValidFrame(r.what))
                continue;
            statusFrames += r.what == core::Reception::Status;
            PrintFrame(ctx.out, receiver.Frame(), area, offset - receiver.WireLength());
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
    PrintSummary(ctx.out, receiver, statusFrames);
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
