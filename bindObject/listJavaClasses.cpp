// Placeholder until this operation lands: it reports an internal error.
#include "bindObject.h"

namespace volmora {

void listJavaClasses(Tool&) { raiseToolError(120, L"Class listing is not available yet"); }

}  // namespace volmora
