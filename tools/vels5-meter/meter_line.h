// The serial endpoint the simulator drives: a pseudo-terminal it creates, or a real device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace meter {

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

    /// Non-blocking descriptor to read from and write to (pty master, or the device).
    int Fd() const { return m_fd; }
    /// Where the other side opens the line: the pty slave's path, or the device path.
    const std::string& Path() const { return m_path; }
    bool IsPty() const { return m_keeper >= 0; }

    /// Pseudo-terminal housekeeping, called before each frame. When no process holds the
    /// slave's flock (the monitor does while it has the port open): discards frames that
    /// nobody read, so a monitor opening the port later gets fresh ones, and clears the
    /// exclusive mode (TIOCEXCL) the last user left on the slave, which on a pseudo-
    /// terminal outlives that user's close and would refuse the next open by a non-root
    /// user. Returns true when it found the port abandoned. No-op for a device.
    bool ReleaseIfAbandoned();

    /// write(2) on Fd(): bytes written (possibly fewer), 0 when the line is full, -1 with
    /// errno on a device error.
    long Write(std::span<const std::uint8_t> bytes);

    /// True once another program has opened the pseudo-terminal's slave since it was made
    /// (the open is watched with inotify; the simulator's own descriptors do not count).
    /// Always true for a device, or when the open cannot be watched.
    bool OpenedByOther();

private:
    MeterLine(int fd, int keeper, std::string path);
    void WatchOpens();

    int m_fd = -1;
    int m_keeper = -1;
    int m_opens = -1; ///< inotify descriptor watching the slave's opens; -1 once seen or none
    std::string m_path;
};

} // namespace meter
