// Placeholders for bindSchema's operations until they land: each reports an internal error.
#include "bindSchema.h"

namespace volmora {

namespace {
constexpr std::int32_t notImplemented = 120;  // ERROR_CALL_NOT_IMPLEMENTED
}

void addTypeLib(Tool&, const std::wstring&) {
    raiseToolError(notImplemented, L"Type library registration is not available yet");
}
void removeTypeLib(Tool&, const std::wstring&) {
    raiseToolError(notImplemented, L"Type library unregistration is not available yet");
}

}  // namespace volmora
