// What the configuration check asks of the file system: whether a path names a file or a folder,
// and the first bytes of a library, through which it tells the library's architecture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace volmora::config {

enum class PathKind { missing, file, folder };

class CheckFiles {
  public:
    virtual ~CheckFiles() = default;
    virtual PathKind pathKind(const std::wstring& path) = 0;
    // Reads up to count bytes from offset (fewer at the file's end); false when the file cannot
    // be opened or read.
    virtual bool readBytes(const std::wstring& path, std::uint64_t offset, std::size_t count,
                           std::vector<std::uint8_t>& bytes) = 0;
};

}  // namespace volmora::config
