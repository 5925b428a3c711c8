// A file system for the configuration check's unit tests: files as bytes, folders as names.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/checkFiles.h"

namespace volmora::testing {

class FakeCheckFiles : public config::CheckFiles {
  public:
    config::PathKind pathKind(const std::wstring& path) override {
        ++asked[path];
        if (files.count(path) != 0) {
            return config::PathKind::file;
        }
        return folders.count(path) != 0 ? config::PathKind::folder : config::PathKind::missing;
    }
    bool readBytes(const std::wstring& path, std::uint64_t offset, std::size_t count,
                   std::vector<std::uint8_t>& bytes) override {
        ++asked[path];
        const auto found = files.find(path);
        if (found == files.end()) {
            return false;
        }
        const std::vector<std::uint8_t>& data = found->second;
        const std::size_t from = std::min<std::uint64_t>(offset, data.size());
        const std::size_t to = std::min(from + count, data.size());
        bytes.assign(data.begin() + static_cast<std::ptrdiff_t>(from),
                     data.begin() + static_cast<std::ptrdiff_t>(to));
        return true;
    }

    std::map<std::wstring, std::vector<std::uint8_t>> files;
    std::set<std::wstring> folders;
    std::map<std::wstring, int> asked;  // calls per path
};

// The first bytes of an executable image for machine: a DOS header whose e_lfanew points at
// newHeader, and there the signature and the machine.
inline std::vector<std::uint8_t> imageHeader(std::uint16_t machine,
                                             std::uint32_t newHeader = 0x80) {
    std::vector<std::uint8_t> bytes(newHeader + 24, 0);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    for (int i = 0; i < 4; ++i) {
        bytes[0x3C + i] = static_cast<std::uint8_t>(newHeader >> (8 * i));
    }
    bytes[newHeader] = 'P';
    bytes[newHeader + 1] = 'E';
    bytes[newHeader + 4] = static_cast<std::uint8_t>(machine & 0xFF);
    bytes[newHeader + 5] = static_cast<std::uint8_t>(machine >> 8);
    return bytes;
}

}  // namespace volmora::testing
