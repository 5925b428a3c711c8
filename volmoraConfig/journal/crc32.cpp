// CRC-32, reflected, polynomial 0xEDB88320, one lookup per byte in a 1 KB table that the
// compiler makes. Combining two checksums multiplies the first by x to the power of eight times
// the second part's length, modulo the polynomial, as zlib's crc32_combine does.
#include "journal/crc32.h"

#include <array>

namespace volmora::config {

namespace {

constexpr std::uint32_t polynomial = 0xEDB88320u;

constexpr std::array<std::uint32_t, 256> makeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1) ? polynomial ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> table = makeTable();

// a times b modulo the polynomial, both reflected (the highest bit is x to the power 0).
constexpr std::uint32_t multiplyModulo(std::uint32_t a, std::uint32_t b) {
    std::uint32_t product = 0;
    for (std::uint32_t bit = 1u << 31; bit != 0; bit >>= 1) {
        if (a & bit) {
            product ^= b;
        }
        b = (b & 1) ? (b >> 1) ^ polynomial : b >> 1;
    }
    return product;
}

// x to the power 2^k modulo the polynomial, for k from 0; they repeat after 32.
constexpr std::array<std::uint32_t, 32> makePowers() {
    std::array<std::uint32_t, 32> powers{};
    std::uint32_t p = 1u << 30;  // x
    for (std::uint32_t& power : powers) {
        power = p;
        p = multiplyModulo(p, p);
    }
    return powers;
}

constexpr std::array<std::uint32_t, 32> powers = makePowers();

}  // namespace

std::uint32_t crc32(std::string_view bytes, std::uint32_t previous) {
    std::uint32_t c = previous ^ 0xFFFFFFFFu;
    for (const char byte : bytes) {
        c = table[(c ^ static_cast<std::uint8_t>(byte)) & 0xFF] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFu;
}

std::uint32_t crc32Combine(std::uint32_t first, std::uint32_t second, std::uint64_t secondLength) {
    // x to the power of 8 * secondLength: one factor for each bit of the length in bytes, from
    // the power 2^3 (one byte) up.
    std::uint32_t shift = 1u << 31;  // 1
    for (std::size_t k = 3; secondLength != 0; secondLength >>= 1, ++k) {
        if (secondLength & 1) {
            shift = multiplyModulo(powers[k % powers.size()], shift);
        }
    }
    return multiplyModulo(shift, first) ^ second;
}

}  // namespace volmora::config
