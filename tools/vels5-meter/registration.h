// The simulator's entry in the monitor's port map: taken at start, removed at the end.
#pragma once

#include "comm/port_map.h"
#include "tools/vels5-meter/meter_line.h"

#include <string>

namespace meter {

/// Registers a pseudo-terminal as COMn and removes the entry when destroyed (only if it
/// still points to that terminal). While registered, the simulator holds an exclusive lock on
/// the owner file ".COMn.owner" beside the entry; the kernel drops the lock when the process
/// dies, however it dies, so a later simulator can tell a leftover entry from a live one even
/// after the kernel has given the dead simulator's /dev/pts/N to another program.
///
/// A replugable registration leads from the entry to the pseudo-terminal through a link of
/// its own, ".COMn.device" beside the entry, the way a USB adapter's entry leads to its device
/// through the adapter's stable by-id link: unplugging removes that link (the entry stays and
/// leads nowhere, so the number stays reserved), plugging in points it to the new terminal.
/// Not thread-safe.
class Registration : public LineSocket {
public:
    explicit Registration(comm::PortMap& map) : m_map(map) {}
    ~Registration() override { Remove(); }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

    /// Registers `ptsPath` as COM`requested`, or, with `requested` = 0, under the lowest
    /// free number from `firstNumber`; `replugable` as described above. Leftovers of
    /// simulators that were killed are cleaned first: pseudo-terminal entries (direct or
    /// through a device link) whose owner lock is free or whose device no longer exists are
    /// removed. Returns the number, or -1 with `error` set (number in use, map folder not
    /// writable).
    int Register(const std::string& ptsPath, int requested, int firstNumber, std::string& error,
                 bool replugable = false);
    /// Removes the entry now; safe to call twice.
    void Remove();

    int Number() const { return m_number; }

    // LineSocket, for a replugable registration.
    std::string EntryName() const override { return "COM" + std::to_string(m_number); }
    void Unplugged() override;
    bool PluggedIn(const std::string& ptsPath, std::string& error) override;

private:
    /// Where entry COM`number` points, or "" when there is no such symbolic link.
    std::string Target(int number) const;
    std::string OwnerFile(int number) const;
    /// The link a replugable entry COM`number` points to.
    std::string DeviceLink(int number) const;
    /// Removes the pseudo-terminal entries left by simulators that are gone.
    void CleanStale();
    /// Locks the owner file of `number`, then creates the entry; the lock comes first so that
    /// an entry with a live simulator behind it never looks abandoned.
    bool TryTake(const std::string& ptsPath, int number, bool replugable);
    /// Points the device link of `number` to `ptsPath`, replacing it in one step.
    bool PointDeviceLink(int number, const std::string& ptsPath) const;

    comm::PortMap& m_map;
    std::string m_path; ///< what the entry points to: the terminal, or the device link
    int m_number = -1;
    int m_ownerFd = -1;
    bool m_replugable = false;
};

} // namespace meter
