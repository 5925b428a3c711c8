// The arena's blocks: a request that would take more than a quarter of a block gets a block of its
// own, so that a long text wastes little of the block in use.
#include "model/textArena.h"

#include <cstdint>

namespace volmora::config {

void* TextArena::allocate(std::size_t bytes, std::size_t alignment) {
    const std::size_t padding =
        next_ == nullptr
            ? 0
            : (alignment - reinterpret_cast<std::uintptr_t>(next_) % alignment) % alignment;
    if (bytes + padding <= left_) {
        std::byte* at = next_ + padding;
        next_ = at + bytes;
        left_ -= bytes + padding;
        return at;
    }
    // Blocks come from operator new[], aligned for any of the types kept.
    if (bytes > blockBytes / 4) {
        blocks_.push_back(std::make_unique_for_overwrite<std::byte[]>(bytes));
        return blocks_.back().get();
    }
    blocks_.push_back(std::make_unique_for_overwrite<std::byte[]>(blockBytes));
    next_ = blocks_.back().get() + bytes;
    left_ = blockBytes - bytes;
    return blocks_.back().get();
}

}  // namespace volmora::config
