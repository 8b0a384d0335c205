// Where the built tools are for the tests that run them: the build's tools folder, or the
// folder named by $VELS5_TOOLS_DIR when the test binaries run from a copy (the test script
// runs the Qt-free tests as an unprivileged user that way).
#pragma once

#include <cstdlib>
#include <string>

namespace test {

inline std::string ToolsDir() {
    const char* dir = std::getenv("VELS5_TOOLS_DIR");
    return dir && dir[0] ? std::string(dir) : std::string(VELS5_TOOLS_DIR);
}

} // namespace test
