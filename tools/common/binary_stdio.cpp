// Standard input and output on Linux carry bytes as they are already, and the command line
// and file names are UTF-8.
#include "tools/common/tool_input.h"

namespace tool_input {

void BinaryStdio() {}

Utf8Arguments::Utf8Arguments(int argc, char** argv) : m_texts(argv, argv + (argc > 0 ? argc : 0)) {
    for (std::string& text : m_texts)
        m_pointers.push_back(text.data());
    m_pointers.push_back(nullptr);
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

} // namespace tool_input
