// Text handed on in chunks as it is made, so that a long text (an export, a plan) is never held
// whole: pieces gather until the next would make the chunk larger than its size. A piece is never
// split, so a chunk of whole pieces never ends inside a character.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace volmora::config {

class TextChunks {
  public:
    using Sink = std::function<void(std::string_view chunk)>;

    explicit TextChunks(Sink sink, std::size_t chunkBytes = 64 * 1024)
        : sink_(std::move(sink)), chunkBytes_(chunkBytes) {}

    void append(std::string_view piece) {
        if (!chunk_.empty() && chunk_.size() + piece.size() > chunkBytes_) {
            flush();
        }
        chunk_ += piece;
    }
    // Hands on what has gathered.
    void flush() {
        if (!chunk_.empty()) {
            sink_(chunk_);
            chunk_.clear();
        }
    }

  private:
    Sink sink_;
    std::size_t chunkBytes_;
    std::string chunk_;
};

}  // namespace volmora::config
