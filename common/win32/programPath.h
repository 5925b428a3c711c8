// The running program's own path, for every program of the tools: where the runtime library, the
// other programs and the tests' stand-ins are looked for beside it.
#pragma once

#include <string>

namespace volmora {

// The full path of the running program, or empty when the system cannot say it (GetLastError
// tells why).
std::wstring ownProgramPath();

}  // namespace volmora
