// A reader for Windows program files (PE32 and PE32+): imports and resources.
#include "peImage.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace volmora::checks {

namespace {

constexpr std::uint16_t pe32Magic = 0x10B;
constexpr std::uint16_t pe32PlusMagic = 0x20B;
constexpr std::uint32_t importDirectory = 1;
constexpr std::uint32_t resourceDirectory = 2;
constexpr std::uint32_t highBit = 0x80000000u;
constexpr std::size_t importDescriptorSize = 20;
constexpr std::size_t sectionHeaderSize = 40;
// Deeper or longer resource tables than this are taken as corrupt, not walked forever.
constexpr std::size_t maxResourceEntries = 4096;

}  // namespace

PeImage PeImage::load(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw PeFormatError("cannot open " + path);
    }
    return PeImage(Bytes(std::istreambuf_iterator<char>(file), {}));
}

std::uint16_t PeImage::word(std::size_t offset) const {
    if (offset + 2 > bytes_.size() || offset + 2 < offset) {
        throw PeFormatError("read past the end of the file");
    }
    return static_cast<std::uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
}

std::uint32_t PeImage::dword(std::size_t offset) const {
    return word(offset) | static_cast<std::uint32_t>(word(offset + 2)) << 16;
}

std::string PeImage::asciiAt(std::size_t offset) const {
    std::string text;
    while (offset < bytes_.size() && bytes_[offset] != 0) {
        text += static_cast<char>(bytes_[offset++]);
    }
    if (offset >= bytes_.size()) {
        throw PeFormatError("unterminated name");
    }
    return text;
}

std::size_t PeImage::offsetOf(std::uint32_t rva) const {
    for (const Section& section : sections_) {
        const std::uint32_t size = std::max(section.virtualSize, section.rawSize);
        if (rva >= section.virtualAddress && rva - section.virtualAddress < size) {
            const std::uint32_t inSection = rva - section.virtualAddress;
            if (inSection >= section.rawSize) {
                throw PeFormatError("address in a section's uninitialised part");
            }
            return static_cast<std::size_t>(section.rawOffset) + inSection;
        }
    }
    throw PeFormatError("address outside every section");
}

PeImage::PeImage(Bytes bytes) : bytes_(std::move(bytes)) {
    if (word(0) != 0x5A4D) {  // "MZ"
        throw PeFormatError("no DOS header");
    }
    const std::size_t pe = dword(0x3C);
    if (dword(pe) != 0x00004550) {  // "PE\0\0"
        throw PeFormatError("no PE signature");
    }
    const std::size_t coff = pe + 4;
    const std::uint16_t sectionCount = word(coff + 2);
    const std::uint16_t optionalSize = word(coff + 16);
    const std::size_t optional = coff + 20;
    const std::uint16_t magic = word(optional);
    if (magic != pe32Magic && magic != pe32PlusMagic) {
        throw PeFormatError("unknown optional header");
    }
    is64Bit_ = magic == pe32PlusMagic;
    const std::size_t directories = optional + (is64Bit_ ? 112 : 96);
    const std::uint32_t directoryCount = dword(directories - 4);

    const std::size_t sectionTable = optional + optionalSize;
    for (std::size_t i = 0; i < sectionCount; ++i) {
        const std::size_t header = sectionTable + i * sectionHeaderSize;
        sections_.push_back(
            {dword(header + 12), dword(header + 8), dword(header + 20), dword(header + 16)});
    }
    auto directoryRva = [&](std::uint32_t index) -> std::uint32_t {
        return index < directoryCount ? dword(directories + index * 8) : 0;
    };
    if (const std::uint32_t rva = directoryRva(importDirectory)) {
        readImports(rva);
    }
    if (const std::uint32_t rva = directoryRva(resourceDirectory)) {
        readResources(rva);
    }
}

void PeImage::readImports(std::uint32_t rva) {
    for (std::size_t descriptor = offsetOf(rva);; descriptor += importDescriptorSize) {
        const std::uint32_t nameRva = dword(descriptor + 12);
        if (nameRva == 0 && dword(descriptor) == 0 && dword(descriptor + 16) == 0) {
            return;
        }
        imports_.push_back(asciiAt(offsetOf(nameRva)));
        if (imports_.size() > maxResourceEntries) {
            throw PeFormatError("import table without end");
        }
    }
}

void PeImage::readResources(std::uint32_t rva) {
    const std::size_t root = offsetOf(rva);
    // Entries of one directory level: (identifier, offset of the entry's target).
    auto entries = [&](std::size_t directory) {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> list;
        const std::size_t count =
            static_cast<std::size_t>(word(directory + 12)) + word(directory + 14);
        if (count > maxResourceEntries) {
            throw PeFormatError("resource directory too long");
        }
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t entry = directory + 16 + i * 8;
            list.emplace_back(dword(entry), dword(entry + 4));
        }
        return list;
    };
    auto subdirectory = [&](std::uint32_t target) {
        if ((target & highBit) == 0) {
            throw PeFormatError("resource entry where a directory belongs");
        }
        return root + (target & ~highBit);
    };
    for (const auto& [type, typeTarget] : entries(root)) {
        if (type & highBit) {
            continue;  // types named by text: none of the checked ones
        }
        for (const auto& [name, nameTarget] : entries(subdirectory(typeTarget))) {
            if (name & highBit) {
                continue;
            }
            for (const auto& [language, dataTarget] : entries(subdirectory(nameTarget))) {
                (void)language;
                if (dataTarget & highBit) {
                    throw PeFormatError("resource directory nested too deep");
                }
                const std::size_t dataEntry = root + dataTarget;
                const std::size_t data = offsetOf(dword(dataEntry));
                const std::size_t size = dword(dataEntry + 4);
                if (data + size > bytes_.size()) {
                    throw PeFormatError("resource data past the end of the file");
                }
                resources_.emplace(
                    std::make_pair(type, name),
                    Bytes(bytes_.begin() + static_cast<std::ptrdiff_t>(data),
                          bytes_.begin() + static_cast<std::ptrdiff_t>(data + size)));
            }
        }
    }
}

std::optional<Bytes> PeImage::resource(std::uint32_t type, std::uint32_t name) const {
    const auto found = resources_.find({type, name});
    if (found == resources_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::vector<std::uint32_t> PeImage::resourceNames(std::uint32_t type) const {
    std::vector<std::uint32_t> names;
    for (const auto& [key, data] : resources_) {
        if (key.first == type) {
            names.push_back(key.second);
        }
    }
    return names;
}

}  // namespace volmora::checks
