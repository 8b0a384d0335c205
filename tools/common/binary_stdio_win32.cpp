// Standard input and output in binary mode on Windows, so "\n" stays one byte.
#include "tools/common/tool_input.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace tool_input {

void BinaryStdio() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

} // namespace tool_input
