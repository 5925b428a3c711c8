// CRC-32 (the polynomial of zlib and PNG): the checksum that tells a whole journal from a damaged
// one.
#pragma once

#include <cstdint>
#include <string_view>

namespace volmora::config {

std::uint32_t crc32(std::string_view bytes);

}  // namespace volmora::config
