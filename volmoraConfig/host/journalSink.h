// Where a journal's bytes go as they are made: the journal's encoder writes through it, the
// journal store's file and a journal in memory take them.
#pragma once

#include <cstddef>
#include <string_view>

namespace volmora::config {

// Appended in order, and a field of the start written over once it is known. Each returns 0 or a
// Win32 status.
class JournalSink {
  public:
    virtual ~JournalSink() = default;
    virtual long append(std::string_view bytes) = 0;
    virtual long overwrite(std::size_t offset, std::string_view bytes) = 0;
};

}  // namespace volmora::config
