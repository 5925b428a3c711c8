// One owner for every kind of Win32 handle: the traits say what an empty handle is and how one
// is closed, and the handle is closed exactly once, when its owner goes.
#pragma once

#include <utility>

namespace volmora {

// Traits: a Handle type, static Handle empty(), static bool valid(Handle), static void
// close(Handle).
template <typename Traits>
class UniqueHandle {
  public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    bool valid() const { return Traits::valid(handle_); }
    Handle get() const { return handle_; }
    Handle release() { return std::exchange(handle_, Traits::empty()); }
    void reset(Handle handle = Traits::empty()) {
        const Handle old = std::exchange(handle_, handle);
        if (Traits::valid(old)) {
            Traits::close(old);
        }
    }

  private:
    Handle handle_ = Traits::empty();
};

}  // namespace volmora
