// The simulator's entry in the monitor's port map: taken at start, removed at the end.
#pragma once

#include "comm/port_map.h"

#include <string>

namespace meter {

/// Registers a pseudo-terminal as COMn and removes the entry when destroyed (only if it
/// still points to that terminal). While registered, the simulator holds an exclusive lock on
/// the owner file ".COMn.owner" beside the entry; the kernel drops the lock when the process
/// dies, however it dies, so a later simulator can tell a leftover entry from a live one even
/// after the kernel has given the dead simulator's /dev/pts/N to another program.
/// Not thread-safe.
class Registration {
public:
    explicit Registration(comm::PortMap& map) : m_map(map) {}
    ~Registration() { Remove(); }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

    /// Registers `ptsPath` as COM`requested`, or, with `requested` = 0, under the lowest
    /// free number from `firstNumber`. Leftovers of simulators that were killed are
    /// cleaned first: pseudo-terminal entries whose owner lock is free or whose /dev/pts/N
    /// no longer exists are removed. Returns the number, or -1 with `error` set (number in
    /// use, map folder not writable).
    int Register(const std::string& ptsPath, int requested, int firstNumber, std::string& error);
    /// Removes the entry now; safe to call twice.
    void Remove();

    int Number() const { return m_number; }

private:
    /// Where entry COM`number` points, or "" when there is no such symbolic link.
    std::string Target(int number) const;
    std::string OwnerFile(int number) const;
    /// Removes the pseudo-terminal entries left by simulators that are gone.
    void CleanStale();
    /// Locks the owner file of `number`, then creates the entry; the lock comes first so that
    /// an entry with a live simulator behind it never looks abandoned.
    bool TryTake(const std::string& ptsPath, int number);

    comm::PortMap& m_map;
    std::string m_path;
    int m_number = -1;
    int m_ownerFd = -1;
};

} // namespace meter
