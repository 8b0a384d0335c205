// The simulator's entry in the monitor's port map: taken at start, removed at the end.
#pragma once

#include "comm/port_map.h"

#include <string>

namespace meter {

/// Registers a pseudo-terminal as COMn and removes the entry when destroyed (only if it
/// still points to that terminal). Not thread-safe.
class Registration {
public:
    explicit Registration(comm::PortMap& map) : m_map(map) {}
    ~Registration() { Remove(); }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

    /// Registers `ptsPath` as COM`requested`, or, with `requested` = 0, under the lowest
    /// free number from `firstNumber`. Leftovers of simulators that were killed are
    /// cleaned first: entries pointing to a /dev/pts/N that no longer exists are removed,
    /// and an entry already pointing to `ptsPath` (the kernel reuses pty numbers) is
    /// taken over. Returns the number, or -1 with `error` set (number in use, map folder
    /// not writable).
    int Register(const std::string& ptsPath, int requested, int firstNumber, std::string& error);
    /// Removes the entry now; safe to call twice.
    void Remove();

    int Number() const { return m_number; }

private:
    /// Where entry COM`number` points, or "" when there is no such symbolic link.
    std::string Target(int number) const;
    /// Removes stale pty entries; returns the number of an entry pointing to `ptsPath`, or 0.
    int CleanStale(const std::string& ptsPath);

    comm::PortMap& m_map;
    std::string m_path;
    int m_number = -1;
};

} // namespace meter
