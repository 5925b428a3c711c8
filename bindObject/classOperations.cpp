// Placeholders for bindObject's operations until they land: each reports an internal error.
#include "bindObject.h"

namespace volmora {

namespace {
constexpr std::int32_t notImplemented = 120;  // ERROR_CALL_NOT_IMPLEMENTED
}

std::wstring bridgeDllPath(Tool& tool, const std::wstring& programPath) {
    return tool.files().parentFolderName(programPath) + L"\\VOLM.dll";
}
void registerJavaClass(Tool&, const std::wstring&, const std::wstring&, const std::wstring&,
                       const std::wstring&, const std::wstring&, const std::wstring&) {
    raiseToolError(notImplemented, L"Class registration is not available yet");
}
void unregisterJavaClass(Tool&, const std::wstring&) {
    raiseToolError(notImplemented, L"Class unregistration is not available yet");
}
void listJavaClasses(Tool&) { raiseToolError(notImplemented, L"Class listing is not available yet"); }

}  // namespace volmora
