// Placeholder until this operation lands: it reports an internal error.
#include "bindObject.h"

namespace volmora {

void unregisterJavaClass(Tool&, const std::wstring&) {
    raiseToolError(120, L"Class unregistration is not available yet");
}

}  // namespace volmora
