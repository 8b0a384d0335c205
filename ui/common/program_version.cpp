// The program version, from the executable's version resource on Windows.
#include "ui/common/program_version.h"

#include "vels5_version.h"

#ifdef _WIN32
#include <cstdio>
#include <vector>
#include <windows.h>
#endif

namespace ui {

#ifdef _WIN32

QString ProgramVersion() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size())
            break;
        path.resize(path.size() * 2);
    }
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.data(), &ignored);
    if (size == 0)
        return {};
    std::vector<unsigned char> info(size);
    if (!GetFileVersionInfoW(path.data(), 0, size, info.data()))
        return {};
    void* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", &translation, &length) ||
        length < 4)
        return {};
    const auto* pair = static_cast<const WORD*>(translation);
    wchar_t query[64];
    std::swprintf(query, 64, L"\\StringFileInfo\\%04X%04X\\FileVersion", pair[0], pair[1]);
    void* value = nullptr;
    if (!VerQueryValueW(info.data(), query, &value, &length) || length == 0)
        return {};
    return QString::fromWCharArray(static_cast<const wchar_t*>(value));
}

#else

QString ProgramVersion() {
    return QStringLiteral(VELS5_VERSION);
}

#endif

QString MainCaption(const QString& version) {
    return version.isEmpty() ? QStringLiteral("ВЕЛС5") : QStringLiteral("ВЕЛС5  v") + version;
}

} // namespace ui
