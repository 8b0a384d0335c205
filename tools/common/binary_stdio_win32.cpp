// Standard input and output in binary mode on Windows, so "\n" stays one byte; the command
// line and file names through the wide API, so any name the file system holds works.
#include "core/files/wide_text_win32.h"
#include "tools/common/tool_input.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// (after windows.h, which it needs)
#include <shellapi.h>

namespace tool_input {

void BinaryStdio() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

Utf8Arguments::Utf8Arguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide) {
        for (int i = 0; i < count; ++i)
            m_texts.push_back(core::sys::Utf8(wide[i]));
        LocalFree(wide);
    } else {
        m_texts.assign(argv, argv + (argc > 0 ? argc : 0));
    }
    for (std::string& text : m_texts)
        m_pointers.push_back(text.data());
    m_pointers.push_back(nullptr);
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
    return _wfopen(core::sys::Wide(path).c_str(), core::sys::Wide(mode).c_str());
}

} // namespace tool_input
