// A reader for Windows program files (PE32 and PE32+), built natively: the imported DLLs and
// the resources, enough to check what a built program carries.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace volmora::checks {

using Bytes = std::vector<std::uint8_t>;

struct PeFormatError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Resource types by their numeric identifiers.
inline constexpr std::uint32_t iconResource = 3;
inline constexpr std::uint32_t groupIconResource = 14;
inline constexpr std::uint32_t versionResource = 16;
inline constexpr std::uint32_t manifestResource = 24;

class PeImage {
  public:
    // Throws PeFormatError when the bytes are no PE image or a table points outside them.
    explicit PeImage(Bytes bytes);
    static PeImage load(const std::string& path);

    bool is64Bit() const { return is64Bit_; }
    const std::vector<std::string>& importedDlls() const { return imports_; }
    // The data of a resource with a numeric type and name, in any language.
    std::optional<Bytes> resource(std::uint32_t type, std::uint32_t name) const;
    // The numeric names of all resources of a type, in ascending order.
    std::vector<std::uint32_t> resourceNames(std::uint32_t type) const;

  private:
    struct Section {
        std::uint32_t virtualAddress;
        std::uint32_t virtualSize;
        std::uint32_t rawOffset;
        std::uint32_t rawSize;
    };

    std::size_t offsetOf(std::uint32_t rva) const;
    std::uint16_t word(std::size_t offset) const;
    std::uint32_t dword(std::size_t offset) const;
    std::string asciiAt(std::size_t offset) const;
    void readImports(std::uint32_t rva);
    void readResources(std::uint32_t rva);

    Bytes bytes_;
    bool is64Bit_ = false;
    std::vector<Section> sections_;
    std::vector<std::string> imports_;
    std::map<std::pair<std::uint32_t, std::uint32_t>, Bytes> resources_;  // (type, name)
};

}  // namespace volmora::checks
