// The test program counts every allocation, so that a test can tell how much memory an operation
// went through.
#pragma once

#include <cstddef>

namespace volmora::testing {

// Bytes requested from operator new since the program started.
std::size_t allocatedBytes();

}  // namespace volmora::testing
