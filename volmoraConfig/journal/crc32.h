// CRC-32 (the polynomial of zlib and PNG): the checksum that tells a whole journal from a damaged
// one.
#pragma once

#include <cstdint>
#include <string_view>

namespace volmora::config {

// The checksum of bytes; with the checksum of what came before them as previous, the checksum of
// both together.
std::uint32_t crc32(std::string_view bytes, std::uint32_t previous = 0);

// The checksum of two parts from theirs and the length of the second, without their bytes.
std::uint32_t crc32Combine(std::uint32_t first, std::uint32_t second, std::uint64_t secondLength);

}  // namespace volmora::config
