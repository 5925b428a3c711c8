// Memory for the many small texts and lists of a configuration: handed out from large blocks
// that stay where they are until the arena goes, so that thousands of records cost no allocation
// each, and a view of a text stays valid however many follow it.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

namespace volmora::config {

class TextArena {
  public:
    TextArena() = default;
    TextArena(TextArena&&) noexcept = default;
    TextArena& operator=(TextArena&&) noexcept = default;
    TextArena(const TextArena&) = delete;
    TextArena& operator=(const TextArena&) = delete;

    // A copy of text that lives as long as the arena.
    std::wstring_view keep(std::wstring_view text) {
        if (text.empty()) {
            return {};
        }
        auto* copy =
            static_cast<wchar_t*>(allocate(text.size() * sizeof(wchar_t), alignof(wchar_t)));
        std::memcpy(copy, text.data(), text.size() * sizeof(wchar_t));
        return {copy, text.size()};
    }

    // A copy of items (of a type that needs no destruction) that lives as long as the arena.
    template <typename T>
    std::span<T> keep(std::span<const T> items) {
        static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
        if (items.empty()) {
            return {};
        }
        auto* copy = static_cast<T*>(allocate(items.size_bytes(), alignof(T)));
        std::memcpy(static_cast<void*>(copy), items.data(), items.size_bytes());
        return {copy, items.size()};
    }

  private:
    static constexpr std::size_t blockBytes = 64 * 1024;

    void* allocate(std::size_t bytes, std::size_t alignment);

    std::vector<std::unique_ptr<std::byte[]>> blocks_;
    std::byte* next_ = nullptr;
    std::size_t left_ = 0;
};

}  // namespace volmora::config
