// Puts the test stand-in for the runtime library in place for ./run, as an installed runtime
// would be: in the system folder of the driver's architecture, registered as the runtime's COM
// class in the driver's registry view.
#pragma once

#include <string>

namespace volmora::e2e {

// Copies the build's stand-in VOLM.dll into the system folder (a 32-bit driver's copy lands in
// the 32-bit one) and names it as the runtime's in-process server. Returns the path it
// registered; throws std::runtime_error with the failed step and its error code.
std::wstring putStandInRuntime();

}  // namespace volmora::e2e
