// The port map: COM names of this program mapped to serial devices of the machine.
// Each entry is a symbolic link <map dir>/COMn -> device path. On Windows the system names
// the ports itself (port_map_win32.cpp): the numbers are the registry's list of serial ports,
// a COM name resolves to "\\.\COMn", and nothing can be registered.
//
// Every function may be called on any thread (a PortMap holds only its folders; the map
// lives in the file system) and raises nothing but std::bad_alloc: failures come back as
// nullopt, -1, false or entries left out.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace comm {

/// $XDG_CONFIG_HOME/vels5 (or ~/.config/vels5): where vels5.ini and the map live.
/// On Windows %APPDATA%\vels5.
std::string DefaultConfigDir();
/// DefaultConfigDir() + "/ports".
std::string DefaultPortMapDir();

class PortMap {
public:
    /// `sysfsRoot`, `byIdDir` and `devDir` (where the device nodes are) are parameters so
    /// tests can use fake trees.
    explicit PortMap(std::string mapDir = DefaultPortMapDir(),
                     std::string sysfsRoot = "/sys/class/tty",
                     std::string byIdDir = "/dev/serial/by-id", std::string devDir = "/dev");

    /// "COMn" and "\\.\COMn" (n >= 1) resolve through the map to the entry's target
    /// (nullopt when there is no entry); any other name is returned unchanged as a path.
    std::optional<std::string> Resolve(std::string_view deviceName) const;
    /// `deviceName` resolves to a device that is there now: an entry whose target exists (a
    /// USB adapter that came back under its by-id link, a pseudo-terminal registered anew);
    /// on Windows a COM name the registry lists. Opens nothing.
    bool Present(std::string_view deviceName) const;
    /// Gives every serial device of the machine that no entry points to an entry with the
    /// lowest free number, then returns the numbers of the entries whose device is present,
    /// ascending: the ports to offer. Devices are
    /// the ttys of sysfs with a `device` link that are not virtual (8250 ports only when
    /// their `type` is not 0); a USB adapter is entered by its stable by-id path, so it keeps
    /// its number across runs and replugs; ttySk prefers COM(k+1). Entries are never
    /// removed here, so an unplugged adapter keeps its number reserved (it is offered again
    /// once its device is back).
    std::vector<int> Refresh();
    /// The numbers of the entries now in the map, ascending (no scan of the machine).
    std::vector<int> Numbers() const;
    /// Registers `devicePath` under the lowest free number >= `minNumber`; safe against
    /// another process registering at the same time. Returns the number, or -1 on failure.
    int Register(const std::string& devicePath, int minNumber = 1);
    /// Registers under exactly `number`; false when it is taken or cannot be created.
    bool RegisterAs(const std::string& devicePath, int number);
    /// Removes entry `number` (only if it still points to `devicePath`, when given).
    void Unregister(int number, const std::string& devicePath = {});

    const std::string& Dir() const { return m_mapDir; }

private:
    std::string m_mapDir;
    std::string m_sysfsRoot;
    std::string m_byIdDir;
    std::string m_devDir;
};

} // namespace comm
