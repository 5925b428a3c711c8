// The JVM options rule.
#include "jvmRecord.h"

#include "toolText.h"

namespace volmora {

namespace {

constexpr std::wstring_view classPathPrefix = L"-Djava.class.path=";
// Matched against the lower-cased option, anywhere in it.
constexpr std::wstring_view archiveMarker = L"\\volm.jar";

}  // namespace

bool isClassPathOption(const std::wstring& option) {
    return option.size() > classPathPrefix.size() && option.starts_with(classPathPrefix);
}

bool namesBridgeArchive(const std::wstring& option) {
    return asciiLower(option).find(archiveMarker) != std::wstring::npos;
}

JvmOptionsFault jvmOptionsFault(const ArgumentList& arguments) {
    bool classPathSeen = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (isClassPathOption(arguments[i])) {
            if (namesBridgeArchive(arguments[i])) {
                return JvmOptionsFault::none;
            }
            classPathSeen = true;
        }
    }
    return classPathSeen ? JvmOptionsFault::noArchive : JvmOptionsFault::noClassPath;
}

std::wstring_view jvmOptionsFaultMessage(JvmOptionsFault fault) {
    switch (fault) {
        case JvmOptionsFault::noClassPath:
            return L"A non-null \"-Djava.class.path=...\" option must be specified";
        case JvmOptionsFault::noArchive:
            return L"VOLM.jar path must be specified in \"-Djava.class.path=...\" option";
        case JvmOptionsFault::none:
            break;
    }
    return {};
}

JvmOptionsFault storedJvmOptionsFault(const std::wstring& options) {
    return jvmOptionsFault(getArguments(L"", options));
}

}  // namespace volmora
