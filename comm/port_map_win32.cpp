// The ports on Windows: the system names them itself, so there is no map to keep. The list
// is the registry key HARDWARE\DEVICEMAP\SERIALCOMM, and a COM name is opened as "\\.\COMn".
#include "comm/com_name.h"
#include "comm/port_map.h"
#include "core/files/wide_text_win32.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <windows.h>

namespace comm {

namespace {

// The numbers of the ports listed under HARDWARE\DEVICEMAP\SERIALCOMM: each value's data is
// a port name such as "COM3", whose number follows its first three characters.
std::vector<int> RegistryPorts() {
    std::vector<int> numbers;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return numbers;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameSize = sizeof name;
        BYTE data[256];
        DWORD dataSize = sizeof data - 1;
        DWORD type = 0;
        const LONG rc = RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS || type != REG_SZ)
            continue;
        data[dataSize] = 0;
        const std::string port(reinterpret_cast<const char*>(data));
        const int n = ComNumber(port);
        if (n > 0 && std::find(numbers.begin(), numbers.end(), n) == numbers.end())
            numbers.push_back(n);
    }
    RegCloseKey(key);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

} // namespace

std::string DefaultConfigDir() {
    // %APPDATA%\vels5: the user's roaming settings (the Windows folder is not writable
    // without administrator rights).
    const wchar_t* appData = _wgetenv(L"APPDATA");
    const std::string base = appData && *appData ? core::sys::Utf8(appData) : std::string(".");
    return base + "\\vels5";
}

std::string DefaultPortMapDir() {
    return DefaultConfigDir() + "\\ports";
}

PortMap::PortMap(std::string mapDir, std::string sysfsRoot, std::string byIdDir, std::string devDir)
    : m_mapDir(std::move(mapDir)), m_sysfsRoot(std::move(sysfsRoot)), m_byIdDir(std::move(byIdDir)),
      m_devDir(std::move(devDir)) {}

std::optional<std::string> PortMap::Resolve(std::string_view deviceName) const {
    const int number = ComNumber(deviceName);
    if (number <= 0)
        return std::string(deviceName);
    return "\\\\.\\COM" + std::to_string(number);
}

bool PortMap::Present(std::string_view deviceName) const {
    const int number = ComNumber(deviceName);
    if (number <= 0)
        return true; // a path: only opening it can tell
    const std::vector<int> ports = RegistryPorts();
    return std::find(ports.begin(), ports.end(), number) != ports.end();
}

std::vector<int> PortMap::Numbers() const {
    return RegistryPorts();
}

std::vector<int> PortMap::Refresh() {
    return RegistryPorts();
}

int PortMap::Register(const std::string&, int) {
    return -1; // Windows numbers its ports itself
}

bool PortMap::RegisterAs(const std::string&, int) {
    return false;
}

void PortMap::Unregister(int, const std::string&) {}

} // namespace comm
