// The files the configuration check looks at: libraries by their image header, class path
// entries by their existence.
#include "check/recordFiles.h"

#include "toolText.h"

namespace volmora::config {

namespace {

constexpr std::uint16_t dosSignature = 0x5A4D;        // "MZ"
constexpr std::uint32_t imageSignature = 0x00004550;  // "PE\0\0"
constexpr std::size_t newHeaderOffsetAt = 0x3C;       // e_lfanew in the DOS header
constexpr std::size_t dosHeaderSize = 0x40;
constexpr std::size_t signatureAndMachineSize = 6;

std::uint32_t littleEndian(const std::vector<std::uint8_t>& bytes, std::size_t at,
                           std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;) {
        value = (value << 8) | bytes[at + i];
    }
    return value;
}

bool isAbsolute(std::wstring_view path) {
    const bool drive = path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    const bool unc = path.starts_with(L"\\\\") || path.starts_with(L"//");
    return drive || unc;
}

}  // namespace

std::optional<std::uint16_t> imageMachine(CheckFiles& files, const std::wstring& path) {
    std::vector<std::uint8_t> header;
    if (!files.readBytes(path, 0, dosHeaderSize, header) || header.size() < dosHeaderSize ||
        littleEndian(header, 0, 2) != dosSignature) {
        return std::nullopt;
    }
    const std::uint32_t newHeader = littleEndian(header, newHeaderOffsetAt, 4);
    std::vector<std::uint8_t> signature;
    if (!files.readBytes(path, newHeader, signatureAndMachineSize, signature) ||
        signature.size() < signatureAndMachineSize ||
        littleEndian(signature, 0, 4) != imageSignature) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(littleEndian(signature, 4, 2));
}

std::wstring machineName(std::uint16_t machine) {
    switch (machine) {
        case i386Machine:
            return L"32-bit x86";
        case amd64Machine:
            return L"x64";
        case arm64Machine:
            return L"ARM64";
        default:
            return L"machine 0x" + hexNumber(machine);
    }
}

PathKind RememberedFiles::pathKind(const std::wstring& path) {
    auto found = kinds_.find(path);
    if (found == kinds_.end()) {
        found = kinds_.emplace(path, files_.pathKind(path)).first;
    }
    return found->second;
}

std::optional<std::uint16_t> RememberedFiles::imageMachine(const std::wstring& path) {
    auto found = machines_.find(path);
    if (found == machines_.end()) {
        found = machines_.emplace(path, config::imageMachine(files_, path)).first;
    }
    return found->second;
}

std::vector<ClassPathEntry> classPathEntries(std::wstring_view classPath) {
    std::vector<ClassPathEntry> entries;
    while (!classPath.empty()) {
        const std::size_t end = classPath.find(L';');
        const std::wstring_view entry = classPath.substr(0, end);
        if (isAbsolute(entry)) {
            std::wstring_view path = entry;
            if (path.ends_with(L"\\*") || path.ends_with(L"/*")) {
                path.remove_suffix(2);
            }
            entries.push_back({std::wstring(entry), std::wstring(path)});
        }
        classPath =
            end == std::wstring_view::npos ? std::wstring_view{} : classPath.substr(end + 1);
    }
    return entries;
}

}  // namespace volmora::config
