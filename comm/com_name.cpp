#include "comm/com_name.h"

#include <cctype>

namespace comm {

int ComNumber(std::string_view name) {
    if (name.substr(0, 4) == "\\\\.\\")
        name.remove_prefix(4);
    if (name.size() < 4 || name.size() > 7)
        return 0;
    for (int i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i])
            return 0;
    }
    int n = 0;
    for (char c : name.substr(3)) {
        if (c < '0' || c > '9')
            return 0;
        n = n * 10 + (c - '0');
    }
    return n;
}

} // namespace comm
