// The JVM options of a registration: a class path option must be given and must name the bridge
// archive (added from the installation layout when missing); the options are then joined into
// the one string stored as JvmOptions.
#include <optional>

#include "bindRuntime.h"
#include "jvmRecord.h"

namespace volmora {

namespace {

bool needsQuotes(const std::wstring& option) {
    return option.find_first_of(L" \t") != std::wstring::npos;
}

}  // namespace

bool checkJvmOptions(Tool& tool, ArgumentList arguments, std::wstring& options) {
    const std::wstring& programPath = arguments[0];
    std::wstring joined;
    // The archive path is looked up at most once, and only when an option needs it.
    std::optional<std::wstring> layoutArchive;

    for (std::size_t i = 1; i < arguments.size(); ++i) {
        std::wstring& option = arguments[i];
        if (!joined.empty()) {
            joined += L' ';
        }
        if (isClassPathOption(option) && !namesBridgeArchive(option)) {
            if (!layoutArchive) {
                layoutArchive = bridgeJarPath(tool, programPath);
            }
            if (!layoutArchive->empty()) {
                option += L';';
                option += *layoutArchive;
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

    // With the archive added where the layout has it, the options meet the rule a stored text
    // must meet.
    if (const JvmOptionsFault fault = jvmOptionsFault(arguments); fault != JvmOptionsFault::none) {
        tool.showError(std::wstring(jvmOptionsFaultMessage(fault)));
        return false;
    }
    options = std::move(joined);
    return true;
}

}  // namespace volmora
