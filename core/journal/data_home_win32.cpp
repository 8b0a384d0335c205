// Where the user's data live on Windows: %LOCALAPPDATA% (the journal stays on this machine).
#include "core/files/wide_text_win32.h"
#include "core/journal/journal.h"

#include <cstdlib>

namespace core {

std::string DefaultDataHome() {
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    if (!local || !*local)
        return ".";
    return sys::Utf8(local);
}

} // namespace core
