// What every built tool must carry: only Windows system DLLs among its imports, its version
// resource, its icons and its application manifest. Each check returns the faults it found.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "peImage.h"

namespace volmora::checks {

struct ExpectedProgram {
    std::string name;     // "bindObject"
    std::string title;    // "Volmora - Bind Object"
    std::string version;  // "1.7.0.0"
};

struct VersionInfo {
    std::string fileVersion;                     // from the fixed part, "a.b.c.d"
    std::string productVersion;                  // likewise
    std::map<std::string, std::string> strings;  // StringFileInfo, every table merged
};

struct IconSize {
    int width;
    int height;
    std::uint16_t iconId;
};

using Faults = std::vector<std::string>;

// Throws PeFormatError when the resource is malformed.
VersionInfo parseVersionInfo(const Bytes& data);
std::vector<IconSize> parseGroupIcon(const Bytes& data);

Faults checkImports(const std::vector<std::string>& dlls);
Faults checkVersion(const VersionInfo& info, const ExpectedProgram& expected);
Faults checkIcons(const PeImage& image);
Faults checkManifest(const std::string& xml);

// All of the above on one program file.
Faults checkProgram(const PeImage& image, const ExpectedProgram& expected);

}  // namespace volmora::checks
