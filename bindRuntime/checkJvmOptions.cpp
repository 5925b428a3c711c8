// The JVM options of a registration: a class path option must be given and must name the bridge
// archive (added from the installation layout when missing); the options are then joined into
// the one string stored as JvmOptions.
#include <optional>

#include "bindRuntime.h"

namespace volmora {

namespace {

constexpr std::wstring_view classPathPrefix = L"-Djava.class.path=";
// Matched against the lower-cased option, anywhere in it.
constexpr std::wstring_view archiveMarker = L"\\volm.jar";
constexpr std::wstring_view noClassPathMessage =
    L"A non-null \"-Djava.class.path=...\" option must be specified";
constexpr std::wstring_view noArchiveMessage =
    L"VOLM.jar path must be specified in \"-Djava.class.path=...\" option";

// Case-sensitive, and the prefix alone is not a class path.
bool isClassPathOption(const std::wstring& option) {
    return option.size() > classPathPrefix.size() && option.starts_with(classPathPrefix);
}

bool namesBridgeArchive(const std::wstring& option) {
    return asciiLower(option).find(archiveMarker) != std::wstring::npos;
}

bool needsQuotes(const std::wstring& option) {
    return option.find_first_of(L" \t") != std::wstring::npos;
}

}  // namespace

bool checkJvmOptions(Tool& tool, ArgumentList arguments, std::wstring& options) {
    const std::wstring& programPath = arguments[0];
    std::wstring joined;
    bool classPathSeen = false;
    bool archiveSeen = false;
    // The archive path is looked up at most once, and only when an option needs it.
    std::optional<std::wstring> layoutArchive;

    for (std::size_t i = 1; i < arguments.size(); ++i) {
        std::wstring& option = arguments[i];
        if (!joined.empty()) {
            joined += L' ';
        }
        if (isClassPathOption(option)) {
            classPathSeen = true;
            if (namesBridgeArchive(option)) {
                archiveSeen = true;
            } else {
                if (!layoutArchive) {
                    layoutArchive = bridgeJarPath(tool, programPath);
                }
                if (!layoutArchive->empty()) {
                    option += L';';
                    option += *layoutArchive;
                    archiveSeen = true;
                }
            }
        }
        if (needsQuotes(option)) {
            joined += L'"';
            joined += option;
            joined += L'"';
        } else {
            joined += option;
        }
    }

    if (!classPathSeen) {
        tool.showError(std::wstring(noClassPathMessage));
        return false;
    }
    if (!archiveSeen) {
        tool.showError(std::wstring(noArchiveMessage));
        return false;
    }
    options = std::move(joined);
    return true;
}

}  // namespace volmora
