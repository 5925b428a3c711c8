// What the files that records name are, as check finds them: a library's image machine, the
// entries of a class path, each path looked at once.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "host/checkFiles.h"

namespace volmora::config {

// The image machine of the executable image at path (IMAGE_FILE_HEADER.Machine), or nothing
// when the file is no image that Windows would load.
std::optional<std::uint16_t> imageMachine(CheckFiles& files, const std::wstring& path);

// Names a machine as the check's messages do ("x64", "32-bit x86", "ARM64", else its number).
std::wstring machineName(std::uint16_t machine);

inline constexpr std::uint16_t i386Machine = 0x014C;
inline constexpr std::uint16_t amd64Machine = 0x8664;
inline constexpr std::uint16_t arm64Machine = 0xAA64;
// The machine of the libraries this build's processes load (the builds are x86 and x64).
inline constexpr std::uint16_t ownMachine = sizeof(void*) == 8 ? amd64Machine : i386Machine;

// Answers each path once: configurations name the same library and archives again and again.
class RememberedFiles {
  public:
    explicit RememberedFiles(CheckFiles& files) : files_(files) {}
    PathKind pathKind(const std::wstring& path);
    std::optional<std::uint16_t> imageMachine(const std::wstring& path);

  private:
    CheckFiles& files_;
    std::map<std::wstring, PathKind> kinds_;
    std::map<std::wstring, std::optional<std::uint16_t>> machines_;
};

// The entries of a class path (';'-separated) that can be looked for: the absolute ones, a
// wildcard entry ("C:\lib\*") as its folder. A relative entry depends on the runtime's current
// folder and is left out.
struct ClassPathEntry {
    std::wstring text;  // as written
    std::wstring path;  // what must exist: an archive, a class folder or a wildcard's folder
};
std::vector<ClassPathEntry> classPathEntries(std::wstring_view classPath);

}  // namespace volmora::config
