// What every built tool must carry: system imports, version resource, icons and manifest.
#include "programChecks.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace volmora::checks {

namespace {

constexpr std::uint32_t fixedInfoSignature = 0xFEEF04BD;

// DLLs that every supported Windows version ships; anything else would have to be installed
// beside the program.
const std::set<std::string> systemDlls = {
    "kernel32.dll", "user32.dll",   "gdi32.dll",    "advapi32.dll", "ole32.dll",
    "oleaut32.dll", "comctl32.dll", "comdlg32.dll", "shell32.dll",  "shlwapi.dll",
    "msvcrt.dll",   "version.dll",  "uxtheme.dll",
};

const char* const supportedOsIds[] = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
};

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A node of the version resource: header, key, value and children, each aligned to 4 bytes.
class VersionReader {
  public:
    explicit VersionReader(const Bytes& data) : data_(data) {}

    std::uint16_t word(std::size_t offset) const {
        if (offset + 2 > data_.size()) {
            throw PeFormatError("version resource cut short");
        }
        return static_cast<std::uint16_t>(data_[offset] | data_[offset + 1] << 8);
    }
    std::uint32_t dword(std::size_t offset) const {
        return word(offset) | static_cast<std::uint32_t>(word(offset + 2)) << 16;
    }
    // UTF-16 text up to its terminator, kept to the Latin-1 range; returns the offset after it.
    std::size_t text(std::size_t offset, std::size_t end, std::string& out) const {
        out.clear();
        for (; offset + 2 <= end; offset += 2) {
            const std::uint16_t c = word(offset);
            if (c == 0) {
                return offset + 2;
            }
            out += c < 0x100 ? static_cast<char>(c) : '?';
        }
        return end;
    }
    static std::size_t aligned(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }

    // Reads the node at offset, calls visit(key, valueOffset, valueBytes, childrenBegin, end)
    // and returns the offset of the next sibling.
    template <typename Visit>
    std::size_t node(std::size_t offset, Visit visit) const {
        const std::size_t length = word(offset);
        const std::size_t valueLength = word(offset + 2);
        const bool textual = word(offset + 4) == 1;
        const std::size_t end = offset + length;
        if (length < 6 || end > data_.size()) {
            throw PeFormatError("version resource node of a wrong length");
        }
        std::string key;
        const std::size_t value = aligned(text(offset + 6, end, key));
        const std::size_t valueBytes = textual ? valueLength * 2 : valueLength;
        const std::size_t children = std::min(aligned(value + valueBytes), end);
        visit(key, value, std::min(valueBytes, end - std::min(value, end)), children, end);
        return aligned(end);
    }

  private:
    const Bytes& data_;
};

std::string versionText(std::uint32_t high, std::uint32_t low) {
    return std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) + "." +
           std::to_string(low >> 16) + "." + std::to_string(low & 0xFFFF);
}

// The start tags of every element with that local name, e.g. "<supportedOS Id=... />".
std::vector<std::string> startTags(const std::string& xml, const std::string& name) {
    std::vector<std::string> tags;
    for (std::size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at + 1)) {
        std::size_t nameBegin = at + 1;
        std::size_t nameEnd = xml.find_first_of(" \t\r\n/>", nameBegin);
        if (nameEnd == std::string::npos) {
            break;
        }
        std::string tagName = xml.substr(nameBegin, nameEnd - nameBegin);
        if (const std::size_t colon = tagName.find(':'); colon != std::string::npos) {
            tagName = tagName.substr(colon + 1);
        }
        if (tagName == name) {
            const std::size_t close = xml.find('>', at);
            tags.push_back(xml.substr(at, close == std::string::npos ? close : close - at + 1));
        }
    }
    return tags;
}

std::string attribute(const std::string& tag, const std::string& name) {
    for (char quote : {'"', '\''}) {
        const std::string prefix = " " + name + "=" + quote;
        if (const std::size_t at = tag.find(prefix); at != std::string::npos) {
            const std::size_t begin = at + prefix.size();
            return tag.substr(begin, tag.find(quote, begin) - begin);
        }
    }
    return {};
}

// The text between the first element of that name's start and end tags.
std::string elementText(const std::string& xml, const std::string& name) {
    const std::vector<std::string> tags = startTags(xml, name);
    if (tags.empty()) {
        return {};
    }
    const std::size_t begin = xml.find(tags.front()) + tags.front().size();
    const std::size_t end = xml.find("</", begin);
    return end == std::string::npos ? std::string() : xml.substr(begin, end - begin);
}

}  // namespace

VersionInfo parseVersionInfo(const Bytes& data) {
    const VersionReader reader(data);
    VersionInfo info;
    reader.node(0, [&](const std::string& key, std::size_t value, std::size_t valueBytes,
                       std::size_t children, std::size_t end) {
        if (key != "VS_VERSION_INFO" || valueBytes < 52 ||
            reader.dword(value) != fixedInfoSignature) {
            throw PeFormatError("no fixed version information");
        }
        info.fileVersion = versionText(reader.dword(value + 8), reader.dword(value + 12));
        info.productVersion = versionText(reader.dword(value + 16), reader.dword(value + 20));
        for (std::size_t block = children; block < end;) {
            block = reader.node(block, [&](const std::string& blockKey, std::size_t, std::size_t,
                                           std::size_t tables, std::size_t blockEnd) {
                if (blockKey != "StringFileInfo") {
                    return;
                }
                for (std::size_t table = tables; table < blockEnd;) {
                    table = reader.node(table, [&](const std::string&, std::size_t, std::size_t,
                                                   std::size_t strings, std::size_t tableEnd) {
                        for (std::size_t entry = strings; entry < tableEnd;) {
                            entry = reader.node(entry,
                                                [&](const std::string& name, std::size_t text,
                                                    std::size_t bytes, std::size_t, std::size_t) {
                                                    std::string valueText;
                                                    reader.text(text, text + bytes, valueText);
                                                    info.strings[name] = valueText;
                                                });
                        }
                    });
                }
            });
        }
    });
    return info;
}

std::vector<IconSize> parseGroupIcon(const Bytes& data) {
    constexpr std::size_t headerSize = 6;
    constexpr std::size_t entrySize = 14;
    if (data.size() < headerSize) {
        throw PeFormatError("icon group cut short");
    }
    const std::size_t count = data[4] | data[5] << 8;
    if (data.size() < headerSize + count * entrySize) {
        throw PeFormatError("icon group cut short");
    }
    std::vector<IconSize> sizes;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = headerSize + i * entrySize;
        // A size byte of 0 stands for 256.
        const int width = data[entry] == 0 ? 256 : data[entry];
        const int height = data[entry + 1] == 0 ? 256 : data[entry + 1];
        const auto id = static_cast<std::uint16_t>(data[entry + 12] | data[entry + 13] << 8);
        sizes.push_back({width, height, id});
    }
    return sizes;
}

Faults checkImports(const std::vector<std::string>& dlls) {
    Faults faults;
    if (dlls.empty()) {
        faults.push_back("imports no DLL at all");
    }
    for (const std::string& dll : dlls) {
        const std::string name = lower(dll);
        if (systemDlls.count(name) == 0 && name.rfind("api-ms-win-", 0) != 0) {
            faults.push_back("imports " + dll + ", which is not a Windows system DLL");
        }
    }
    return faults;
}

Faults checkVersion(const VersionInfo& info, const ExpectedProgram& expected) {
    Faults faults;
    if (info.fileVersion != expected.version) {
        faults.push_back("FILEVERSION is " + info.fileVersion + ", not " + expected.version);
    }
    if (info.productVersion != expected.version) {
        faults.push_back("PRODUCTVERSION is " + info.productVersion + ", not " + expected.version);
    }
    const std::pair<const char*, std::string> strings[] = {
        {"FileDescription", expected.title},
        {"ProductName", expected.title},
        {"InternalName", expected.name},
        {"OriginalFilename", expected.name + ".exe"},
    };
    for (const auto& [key, value] : strings) {
        const auto found = info.strings.find(key);
        if (found == info.strings.end()) {
            faults.push_back(std::string(key) + " is missing");
        } else if (found->second != value) {
            faults.push_back(std::string(key) + " is \"" + found->second + "\", not \"" + value +
                             "\"");
        }
    }
    return faults;
}

Faults checkIcons(const PeImage& image) {
    const std::vector<std::uint32_t> groups = image.resourceNames(groupIconResource);
    if (groups.empty()) {
        return {"has no icon"};
    }
    // The first icon group is the one the shell shows for the program.
    const std::vector<IconSize> sizes =
        parseGroupIcon(*image.resource(groupIconResource, groups[0]));
    Faults faults;
    for (int size : {32, 16}) {
        const auto found = std::find_if(sizes.begin(), sizes.end(), [&](const IconSize& icon) {
            return icon.width == size && icon.height == size;
        });
        if (found == sizes.end()) {
            faults.push_back("the program icon has no " + std::to_string(size) + "x" +
                             std::to_string(size) + " image");
        } else if (!image.resource(iconResource, found->iconId)) {
            faults.push_back("the program icon's " + std::to_string(size) + "x" +
                             std::to_string(size) + " image is missing");
        }
    }
    return faults;
}

Faults checkManifest(const std::string& xml) {
    Faults faults;
    const auto levels = startTags(xml, "requestedExecutionLevel");
    if (levels.size() != 1 || attribute(levels[0], "level") != "asInvoker") {
        faults.push_back("the manifest does not request the asInvoker execution level");
    }
    std::set<std::string> supported;
    for (const std::string& tag : startTags(xml, "supportedOS")) {
        supported.insert(lower(attribute(tag, "Id")));
    }
    for (const char* id : supportedOsIds) {
        if (supported.count(id) == 0) {
            faults.push_back(std::string("the manifest does not declare supportedOS ") + id);
        }
    }
    bool commonControls = false;
    for (const std::string& tag : startTags(xml, "assemblyIdentity")) {
        commonControls =
            commonControls || (attribute(tag, "name") == "Microsoft.Windows.Common-Controls" &&
                               attribute(tag, "version") == "6.0.0.0" &&
                               attribute(tag, "publicKeyToken") == "6595b64144ccf1df");
    }
    if (!commonControls) {
        faults.push_back("the manifest does not depend on common controls 6.0.0.0");
    }
    if (elementText(xml, "dpiAware") != "true/pm") {
        faults.push_back("the manifest's dpiAware is not true/pm");
    }
    if (elementText(xml, "dpiAwareness").find("PerMonitorV2") == std::string::npos) {
        faults.push_back("the manifest's dpiAwareness does not name PerMonitorV2");
    }
    return faults;
}

Faults checkProgram(const PeImage& image, const ExpectedProgram& expected) {
    Faults faults = checkImports(image.importedDlls());
    auto add = [&](Faults more) { faults.insert(faults.end(), more.begin(), more.end()); };
    if (const auto version = image.resource(versionResource, 1)) {
        add(checkVersion(parseVersionInfo(*version), expected));
    } else {
        faults.push_back("has no version resource");
    }
    add(checkIcons(image));
    if (const auto manifest = image.resource(manifestResource, 1)) {
        add(checkManifest(std::string(manifest->begin(), manifest->end())));
    } else {
        faults.push_back("has no application manifest");
    }
    return faults;
}

}  // namespace volmora::checks
