// Placeholders for bindRuntime's operations until they land: each reports an internal error.
#include "bindRuntime.h"

namespace volmora {

namespace {
constexpr std::int32_t notImplemented = 120;  // ERROR_CALL_NOT_IMPLEMENTED
}

bool checkJvmOptions(Tool&, ArgumentList, std::wstring&) {
    raiseToolError(notImplemented, L"JVM registration is not available yet");
}
std::wstring bridgeJarPath(Tool&, const std::wstring&) { return {}; }
void addJvm(Tool&, const std::wstring&, const std::wstring&, const std::wstring&) {}
void removeJvm(Tool&, const std::wstring&) {
    raiseToolError(notImplemented, L"JVM unregistration is not available yet");
}
void listJvms(Tool&) { raiseToolError(notImplemented, L"JVM listing is not available yet"); }

}  // namespace volmora
