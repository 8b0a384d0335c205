// The serial records and constants the component speaks (line settings, status, events),
// with the values of the Windows serial API so settings and masks keep their meaning.
// Plain data: usable on any thread, nothing raises.
#pragma once

#include <cstdint>

namespace comm {

/// Complete line-settings record. Field names and widths are those of the Windows `DCB`;
/// on Linux the port layer maps it onto termios (comm/port/). Zero-initialised by default.
struct DCB {
    uint32_t DCBlength = sizeof(DCB);
    uint32_t BaudRate = 0;         ///< bits per second
    uint32_t fBinary : 1 = 0;      ///< always 1 on this platform
    uint32_t fParity : 1 = 0;      ///< check parity of received bytes
    uint32_t fOutxCtsFlow : 1 = 0; ///< CTS gates our output
    uint32_t fOutxDsrFlow : 1 = 0; ///< DSR gates our output
    uint32_t fDtrControl : 2 = 0;  ///< DTR_CONTROL_*
    uint32_t fDsrSensitivity : 1 = 0;
    uint32_t fTXContinueOnXoff : 1 = 0;
    uint32_t fOutX : 1 = 0;       ///< XON/XOFF on output
    uint32_t fInX : 1 = 0;        ///< XON/XOFF on input
    uint32_t fErrorChar : 1 = 0;  ///< replace bytes with parity errors by ErrorChar
    uint32_t fNull : 1 = 0;       ///< discard NUL bytes
    uint32_t fRtsControl : 2 = 0; ///< RTS_CONTROL_*
    uint32_t fAbortOnError : 1 = 0;
    uint32_t fDummy2 : 17 = 0;
    uint16_t wReserved = 0;
    uint16_t XonLim = 0;  ///< bytes
    uint16_t XoffLim = 0; ///< bytes
    uint8_t ByteSize = 0; ///< 4 to 8 bits
    uint8_t Parity = 0;   ///< NOPARITY .. SPACEPARITY
    uint8_t StopBits = 0; ///< ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    uint16_t wReserved1 = 0;
};
static_assert(sizeof(DCB) == 28, "DCB keeps the Windows layout");

inline constexpr uint8_t NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3,
                         SPACEPARITY = 4;
inline constexpr uint8_t ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2;
inline constexpr uint32_t DTR_CONTROL_DISABLE = 0, DTR_CONTROL_ENABLE = 1,
                          DTR_CONTROL_HANDSHAKE = 2;
inline constexpr uint32_t RTS_CONTROL_DISABLE = 0, RTS_CONTROL_ENABLE = 1,
                          RTS_CONTROL_HANDSHAKE = 2, RTS_CONTROL_TOGGLE = 3;

/// Device events (wait mask and reported mask).
inline constexpr uint32_t EV_RXCHAR = 0x0001, EV_RXFLAG = 0x0002, EV_TXEMPTY = 0x0004,
                          EV_CTS = 0x0008, EV_DSR = 0x0010, EV_RLSD = 0x0020, EV_BREAK = 0x0040,
                          EV_ERR = 0x0080, EV_RING = 0x0100, EV_PERR = 0x0200, EV_RX80FULL = 0x0400,
                          EV_EVENT1 = 0x0800, EV_EVENT2 = 0x1000;

/// Line-error flags reported by ClearCommError.
inline constexpr uint32_t CE_RXOVER = 0x0001, CE_OVERRUN = 0x0002, CE_RXPARITY = 0x0004,
                          CE_FRAME = 0x0008, CE_BREAK = 0x0010, CE_TXFULL = 0x0100, CE_IOE = 0x0400;
/// Our own flag, outside the Windows set: the device has vanished (adapter unplugged,
/// terminal hung up). Reported together with CE_IOE from then on until Close.
inline constexpr uint32_t CE_DEVICELOST = 0x00010000;

/// Purge flags.
inline constexpr uint32_t PURGE_TXABORT = 0x1, PURGE_RXABORT = 0x2, PURGE_TXCLEAR = 0x4,
                          PURGE_RXCLEAR = 0x8;

/// Escape functions.
inline constexpr uint32_t SETXOFF = 1, SETXON = 2, SETRTS = 3, CLRRTS = 4, SETDTR = 5, CLRDTR = 6,
                          RESETDEV = 7, SETBREAK = 8, CLRBREAK = 9;

/// Modem status bits.
inline constexpr uint32_t MS_CTS_ON = 0x10, MS_DSR_ON = 0x20, MS_RING_ON = 0x40, MS_RLSD_ON = 0x80;

/// Queue state: hold flags (bit 0 CTS hold .. bit 7 reserved), bytes queued in and out.
struct COMSTAT {
    uint32_t Flags = 0;
    uint32_t cbInQue = 0;
    uint32_t cbOutQue = 0;
};

struct COMMTIMEOUTS {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};

/// Device properties, the 64-byte Windows `COMMPROP`.
struct COMMPROP {
    uint16_t wPacketLength = 0;
    uint16_t wPacketVersion = 0;
    uint32_t dwServiceMask = 0;
    uint32_t dwReserved1 = 0;
    uint32_t dwMaxTxQueue = 0;
    uint32_t dwMaxRxQueue = 0;
    uint32_t dwMaxBaud = 0;
    uint32_t dwProvSubType = 0;
    uint32_t dwProvCapabilities = 0;
    uint32_t dwSettableParams = 0;
    uint32_t dwSettableBaud = 0;
    uint16_t wSettableData = 0;
    uint16_t wSettableStopParity = 0;
    uint32_t dwCurrentTxQueue = 0;
    uint32_t dwCurrentRxQueue = 0;
    uint32_t dwProvSpec1 = 0;
    uint32_t dwProvSpec2 = 0;
    char wcProvChar[2] = {};
};
static_assert(sizeof(COMMPROP) == 64, "COMMPROP keeps the Windows size");

} // namespace comm
