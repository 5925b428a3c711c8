// Placeholders for bindHost's operations until they land: each reports an internal error.
#include "bindHost.h"

namespace volmora {

namespace {
constexpr std::int32_t notImplemented = 120;  // ERROR_CALL_NOT_IMPLEMENTED
}

void joinImports(const ArgumentList&, std::wstring&) {}
void addServer(Tool&, const std::wstring&, const std::wstring&, const std::wstring&) {
    raiseToolError(notImplemented, L"Server registration is not available yet");
}
void removeServer(Tool&, const std::wstring&) {
    raiseToolError(notImplemented, L"Server unregistration is not available yet");
}
void listServers(Tool&) { raiseToolError(notImplemented, L"Server listing is not available yet"); }

}  // namespace volmora
