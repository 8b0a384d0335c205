// Runs the built vels5-decode program for the decoder tests and collects what it printed.
#pragma once

#include "tests/common/temp_dir.h"
#include "tests/common/tools_dir.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace test {

inline std::string DecodeTool() {
    return ToolsDir() + "/vels5-decode/vels5-decode";
}

/// Exit status (-1 when the program did not exit normally), stdout lines, stderr text.
struct ToolRun {
    int status = -1;
    std::vector<std::string> lines;
    std::string err;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

/// Runs the tool through the shell with `args` (already quoted as needed).
inline ToolRun RunDecode(const std::string& args) {
    const TempDir errDir; // a private folder: parallel runs and other users never meet
    const std::string errPath = errDir.File("stderr.txt");
    const std::string command = "'" + DecodeTool() + "' " + args + " 2>'" + errPath + "'";
    ToolRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::string text;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
        text.append(buf, n);
    const int wait = pclose(pipe);
    run.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        run.lines.push_back(line);
    run.err = ReadAll(errPath);
    return run;
}

} // namespace test
