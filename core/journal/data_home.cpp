// Where the user's data live on Linux: $XDG_DATA_HOME, or ~/.local/share.
#include "core/journal/journal.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace core {

std::string DefaultDataHome() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* pw = getpwuid(getuid());
        home = pw ? pw->pw_dir : "/tmp";
    }
    return std::string(home) + "/.local/share";
}

} // namespace core
