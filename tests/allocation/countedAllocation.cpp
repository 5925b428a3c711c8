// The test program's operator new and delete, counting what is allocated. In a file of their own
// so that no caller sees their bodies.
#include "countedAllocation.h"

#include <cstdlib>
#include <new>

namespace {
std::size_t allocated = 0;
}  // namespace

void* operator new(std::size_t size) {
    allocated += size;
    if (void* memory = std::malloc(size != 0 ? size : 1)) {
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace volmora::testing {

std::size_t allocatedBytes() {
    return allocated;
}

}  // namespace volmora::testing
