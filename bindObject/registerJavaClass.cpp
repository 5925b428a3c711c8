// Placeholder until this operation lands: it reports an internal error.
#include "bindObject.h"

namespace volmora {

void registerJavaClass(Tool&, const std::wstring&, const std::wstring&, const std::wstring&,
                       const std::wstring&, const std::wstring&, const std::wstring&) {
    raiseToolError(120, L"Class registration is not available yet");
}

}  // namespace volmora
