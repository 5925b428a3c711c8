// The configuration check's view of the file system, through Win32.
#pragma once

#include "host/checkFiles.h"

namespace volmora::config {

class WinCheckFiles : public CheckFiles {
  public:
    PathKind pathKind(const std::wstring& path) override;
    bool readBytes(const std::wstring& path, std::uint64_t offset, std::size_t count,
                   std::vector<std::uint8_t>& bytes) override;
};

}  // namespace volmora::config
