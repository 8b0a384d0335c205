// The serial endpoint the simulator drives: a pseudo-terminal it creates, or a real device.
// On Windows a COM port only (meter_line_win32.cpp): pseudo-terminals are a Linux thing, so
// there the monitor's port is joined to the simulator's by a null-modem pair.
#pragma once

#include "tools/vels5-meter/stop_request.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace meter {

/// What a wait on the line found.
struct LineReady {
    bool readable = false; ///< bytes are waiting (or the far end hung up: Read tells)
    bool writable = false; ///< the line takes bytes again (asked for with `wantWrite`)
    bool hungUp = false;
    bool stopped = false; ///< a stop was requested during the wait
    bool failed = false;  ///< the wait itself failed: ErrorText()
};

/// Owns the file descriptors of the simulator's end of the line. Move-only; not thread-safe.
///
/// Pseudo-terminal: the simulator reads and writes the master side; the monitor opens the
/// slave path. The simulator keeps a descriptor of its own on the slave ("keeper") for its
/// whole life: it puts the slave into raw mode through it before anyone else opens the
/// slave (the master is never configured), and it keeps the master from seeing a hang-up
/// (EIO) whenever the monitor closes the port.
class MeterLine {
public:
    /// Opens a new pseudo-terminal in raw mode, 38400 8N1. nullopt with `error` set on failure.
    static std::optional<MeterLine> OpenPty(std::string& error);
    /// Opens a serial device (non-blocking, flock + TIOCEXCL) and sets 38400 8N1 raw without
    /// flow control. nullopt with `error` set on failure (missing, busy, not a tty).
    static std::optional<MeterLine> OpenDevice(const std::string& path, std::string& error);

    MeterLine(MeterLine&& other) noexcept;
    MeterLine& operator=(MeterLine&&) = delete;
    MeterLine(const MeterLine&) = delete;
    ~MeterLine();

#ifndef _WIN32
    /// Non-blocking descriptor to read from and write to (pty master, or the device).
    int Fd() const {
        return m_fd;
    }
#endif
    /// Where the other side opens the line: the pty slave's path, or the device path.
    const std::string& Path() const {
        return m_path;
    }
#ifdef _WIN32
    bool IsPty() const {
        return false;
    }
#else
    bool IsPty() const {
        return m_keeper >= 0;
    }
#endif

    /// Pseudo-terminal housekeeping, called before each frame. When no process holds the
    /// slave's flock (the monitor does while it has the port open): discards frames that
    /// nobody read, so a monitor opening the port later gets fresh ones, and clears the
    /// exclusive mode (TIOCEXCL) the last user left on the slave, which on a pseudo-
    /// terminal outlives that user's close and would refuse the next open by a non-root
    /// user. Returns true when it found the port abandoned. No-op for a device.
    bool ReleaseIfAbandoned();

    /// Bytes written (possibly fewer), 0 when the line is full, -1 on a device error
    /// (ErrorText()).
    long Write(std::span<const std::uint8_t> bytes);
    /// Bytes read, 0 when nothing is waiting, -1 on a device error or a hang-up (ErrorText()).
    long Read(std::span<std::uint8_t> into);
    /// Waits up to `seconds` for bytes, for room to write (`wantWrite`) or for `stop`.
    LineReady Wait(double seconds, bool wantWrite, const StopRequest& stop);
    /// The last failure of Write, Read or Wait, as a sentence fragment.
    const std::string& ErrorText() const {
        return m_error;
    }

    /// True once another program has opened the pseudo-terminal's slave since it was made
    /// (the open is watched with inotify; the simulator's own descriptors do not count).
    /// Always true for a device, or when the open cannot be watched.
    bool OpenedByOther();

private:
#ifdef _WIN32
    struct Port; ///< the COM handle and its overlapped records
    explicit MeterLine(std::unique_ptr<Port> port, std::string path);

    std::unique_ptr<Port> m_port;
#else
    MeterLine(int fd, int keeper, std::string path);
    void WatchOpens();

    int m_fd = -1;
    int m_keeper = -1;
    int m_opens = -1; ///< inotify descriptor watching the slave's opens; -1 once seen or none
#endif
    std::string m_path;
    std::string m_error;
};

/// Where the simulator's pseudo-terminal is plugged in: the port entry the monitor opens it
/// by. Lets the simulator pull its cable and plug a new line in under the same entry.
class LineSocket {
public:
    virtual ~LineSocket() = default;
    /// The entry's name for the log, e.g. "COM5".
    virtual std::string EntryName() const = 0;
    /// The line has been closed: from now on the entry leads to no device.
    virtual void Unplugged() = 0;
    /// A new line can be opened at `path`: the entry leads to it. false with `error`.
    virtual bool PluggedIn(const std::string& path, std::string& error) = 0;
};

} // namespace meter
