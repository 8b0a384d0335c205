// Standard input and output on Linux carry bytes as they are already.
#include "tools/common/tool_input.h"

namespace tool_input {

void BinaryStdio() {}

} // namespace tool_input
