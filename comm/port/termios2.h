// Line settings on a tty through the kernel's termios2 interface (arbitrary baud rates).
// Kept apart because the kernel's termios headers clash with glibc's <termios.h>: this
// header exposes only plain types, and only termios2.cpp includes the kernel headers.
#pragma once

#include "comm/dcb.h"

#include <cstdint>

namespace comm::port {

// Every function may be called on any thread and raises nothing; the ones on a descriptor
// return 0 or an errno value.

/// A copy of the kernel's `struct termios2`, in plain types.
struct TermBits {
    uint32_t iflag = 0;
    uint32_t oflag = 0;
    uint32_t cflag = 0;
    uint32_t lflag = 0;
    uint8_t line = 0;
    uint8_t cc[19] = {};
    uint32_t ispeed = 0;
    uint32_t ospeed = 0;
};

/// Turns `bits` (the device's current settings) into raw mode with the line settings of
/// `dcb`: no echo, no signals, no output processing, reads return at once with what is
/// waiting (VMIN 1, VTIME 0 with O_NONBLOCK), receiver on, modem control lines ignored,
/// no hang-up on close. Returns 0, or EINVAL for a setting Linux cannot give: 4 data bits,
/// 1.5 stop bits, DSR output flow, DTR handshake, RTS toggle, DSR sensitivity, NUL
/// stripping, an error character other than NUL, a rate of 0.
int DcbToTermBits(const DCB& dcb, TermBits& bits);
/// The line settings of `bits` as a DCB (rate, size, parity, stop bits, flow, characters).
/// DTR and RTS control read as enabled (Linux raises both at open) unless hardware flow.
void TermBitsToDcb(const TermBits& bits, DCB& dcb);
/// 0 when `actual` (read back from the device) holds every setting of `wanted`; EINVAL
/// when the device dropped one (ptys drop 5 to 7 data bits and parity, for example).
int CompareTermBits(const TermBits& wanted, const TermBits& actual);

/// TCGETS2 / TCSETS2 on a device. Return 0 or an errno value.
int GetTermBits(int fd, TermBits& bits);
int SetTermBits(int fd, const TermBits& bits);
/// Discards queued bytes: received (`input`) and/or not yet sent (`output`).
int FlushQueues(int fd, bool input, bool output);
/// Suspends (true) or resumes (false) our output, as if XOFF or XON had been received.
int SuspendOutput(int fd, bool suspend);

} // namespace comm::port
