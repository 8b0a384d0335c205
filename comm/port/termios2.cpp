// The one file that includes the kernel's termios headers (termios2, BOTHER): they
// redefine struct termios and its constants, so glibc's <termios.h> must stay out.
#include "comm/port/termios2.h"

#include <asm/termbits.h>
#include <cerrno>
#include <cstdlib>
#include <sys/ioctl.h>

namespace comm::port {

namespace {

struct StandardRate {
    uint32_t rate;
    uint32_t code;
};

constexpr StandardRate kStandardRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000}};

// The rate the settings stand for, as the kernel reads it.
uint32_t RateOf(const TermBits& bits) {
    const uint32_t code = bits.cflag & CBAUD;
    if (code == BOTHER)
        return bits.ospeed;
    for (const auto& s : kStandardRates) {
        if (s.code == code)
            return s.rate;
    }
    return 0;
}

void SetRate(TermBits& bits, uint32_t rate) {
    uint32_t code = BOTHER;
    for (const auto& s : kStandardRates) {
        if (s.rate == rate)
            code = s.code;
    }
    // Input rate follows the output rate: CIBAUD zero.
    bits.cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    bits.cflag |= code;
    bits.ispeed = rate;
    bits.ospeed = rate;
}

// cfmakeraw, and the rest of what a binary line needs.
void MakeRaw(TermBits& bits) {
    bits.iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                    IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL);
    bits.oflag &= ~OPOST;
    bits.lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    bits.cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | HUPCL);
    bits.cflag |= CLOCAL | CREAD;
    bits.cc[VMIN] = 1;
    bits.cc[VTIME] = 0;
}

bool Unsupported(const DCB& dcb) {
    return dcb.BaudRate == 0 || dcb.ByteSize < 5 || dcb.ByteSize > 8 ||
           dcb.StopBits == ONE5STOPBITS || dcb.StopBits > TWOSTOPBITS || dcb.Parity > SPACEPARITY ||
           dcb.fOutxDsrFlow || dcb.fDtrControl == DTR_CONTROL_HANDSHAKE ||
           dcb.fRtsControl == RTS_CONTROL_TOGGLE || dcb.fDsrSensitivity || dcb.fNull ||
           (dcb.fErrorChar && dcb.ErrorChar != 0);
}

constexpr uint32_t kSizes[] = {CS5, CS6, CS7, CS8};

} // namespace

int DcbToTermBits(const DCB& dcb, TermBits& bits) {
    if (Unsupported(dcb))
        return EINVAL;
    MakeRaw(bits);
    SetRate(bits, dcb.BaudRate);
    bits.cflag |= kSizes[dcb.ByteSize - 5];
    switch (dcb.Parity) {
    case ODDPARITY:
        bits.cflag |= PARENB | PARODD;
        break;
    case EVENPARITY:
        bits.cflag |= PARENB;
        break;
    case MARKPARITY:
        bits.cflag |= PARENB | CMSPAR | PARODD;
        break;
    case SPACEPARITY:
        bits.cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    if (dcb.StopBits == TWOSTOPBITS)
        bits.cflag |= CSTOPB;
    // Linux has one switch for both directions of RTS/CTS handshaking.
    if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)
        bits.cflag |= CRTSCTS;
    // Without INPCK a byte with a parity error arrives unchanged (the driver still counts
    // the error); with INPCK it arrives as NUL, which is the error character 0.
    if (dcb.fParity && dcb.fErrorChar)
        bits.iflag |= INPCK;
    if (dcb.fOutX)
        bits.iflag |= IXON;
    if (dcb.fInX)
        bits.iflag |= IXOFF;
    bits.cc[VSTART] = static_cast<uint8_t>(dcb.XonChar);
    bits.cc[VSTOP] = static_cast<uint8_t>(dcb.XoffChar);
    return 0;
}

void TermBitsToDcb(const TermBits& bits, DCB& dcb) {
    dcb.BaudRate = RateOf(bits);
    dcb.fBinary = 1;
    switch (bits.cflag & CSIZE) {
    case CS5:
        dcb.ByteSize = 5;
        break;
    case CS6:
        dcb.ByteSize = 6;
        break;
    case CS7:
        dcb.ByteSize = 7;
        break;
    default:
        dcb.ByteSize = 8;
        break;
    }
    dcb.Parity = NOPARITY;
    if (bits.cflag & PARENB) {
        const bool odd = bits.cflag & PARODD;
        if (bits.cflag & CMSPAR)
            dcb.Parity = odd ? MARKPARITY : SPACEPARITY;
        else
            dcb.Parity = odd ? ODDPARITY : EVENPARITY;
    }
    dcb.StopBits = (bits.cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
    const bool hardware = bits.cflag & CRTSCTS;
    dcb.fOutxCtsFlow = hardware;
    dcb.fRtsControl = hardware ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fParity = (bits.iflag & INPCK) != 0;
    dcb.fErrorChar = (bits.iflag & INPCK) != 0;
    dcb.fOutX = (bits.iflag & IXON) != 0;
    dcb.fInX = (bits.iflag & IXOFF) != 0;
    dcb.XonChar = static_cast<char>(bits.cc[VSTART]);
    dcb.XoffChar = static_cast<char>(bits.cc[VSTOP]);
}

int CompareTermBits(const TermBits& wanted, const TermBits& actual) {
    constexpr uint32_t kCflag = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CREAD;
    constexpr uint32_t kIflag = INPCK | IXON | IXOFF;
    if ((wanted.cflag & kCflag) != (actual.cflag & kCflag))
        return EINVAL;
    if ((wanted.iflag & kIflag) != (actual.iflag & kIflag))
        return EINVAL;
    if ((wanted.iflag & IXON || wanted.iflag & IXOFF) &&
        (wanted.cc[VSTART] != actual.cc[VSTART] || wanted.cc[VSTOP] != actual.cc[VSTOP]))
        return EINVAL;
    // UARTs report the rate their divisor gives; accept what a receiver would (3 %).
    const long long want = RateOf(wanted), got = RateOf(actual);
    if (std::llabs(want - got) * 100 > want * 3)
        return EINVAL;
    return 0;
}

int GetTermBits(int fd, TermBits& bits) {
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) < 0)
        return errno;
    bits.iflag = t.c_iflag;
    bits.oflag = t.c_oflag;
    bits.cflag = t.c_cflag;
    bits.lflag = t.c_lflag;
    bits.line = t.c_line;
    static_assert(sizeof bits.cc == sizeof t.c_cc);
    for (unsigned i = 0; i < sizeof bits.cc; ++i)
        bits.cc[i] = t.c_cc[i];
    bits.ispeed = t.c_ispeed;
    bits.ospeed = t.c_ospeed;
    return 0;
}

int SetTermBits(int fd, const TermBits& bits) {
    termios2 t{};
    t.c_iflag = bits.iflag;
    t.c_oflag = bits.oflag;
    t.c_cflag = bits.cflag;
    t.c_lflag = bits.lflag;
    t.c_line = bits.line;
    for (unsigned i = 0; i < sizeof bits.cc; ++i)
        t.c_cc[i] = bits.cc[i];
    t.c_ispeed = bits.ispeed;
    t.c_ospeed = bits.ospeed;
    // TCSETS2 applies at once; EINTR can only come before the change was made.
    while (ioctl(fd, TCSETS2, &t) < 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

int FlushQueues(int fd, bool input, bool output) {
    if (!input && !output)
        return 0;
    const int which = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    return ioctl(fd, TCFLSH, which) < 0 ? errno : 0;
}

int SuspendOutput(int fd, bool suspend) {
    return ioctl(fd, TCXONC, suspend ? TCOOFF : TCOON) < 0 ? errno : 0;
}

} // namespace comm::port
