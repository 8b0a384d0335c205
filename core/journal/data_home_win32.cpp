// Where the user's data live on Windows: %LOCALAPPDATA% (the journal stays on this machine).
#include "core/journal/journal.h"

#include <cstdlib>
#include <windows.h>

namespace core {

std::string DefaultDataHome() {
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    if (!local || !*local)
        return ".";
    const int n = WideCharToMultiByte(CP_UTF8, 0, local, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 1 ? n - 1 : 0), '\0');
    if (n > 1)
        WideCharToMultiByte(CP_UTF8, 0, local, -1, out.data(), n, nullptr, nullptr);
    return out;
}

} // namespace core
