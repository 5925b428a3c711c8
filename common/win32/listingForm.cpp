// Placeholder until the listing window lands: listings raise an internal error.
#include "listingForm.h"

#include <windows.h>

#include "toolUtil.h"

namespace volmora {

void ListingForms::open(const std::wstring&, const std::wstring&) {
    raiseToolError(ERROR_CALL_NOT_IMPLEMENTED, L"The listing window is not available");
}

bool ListingForms::anyOpen() { return false; }

void ListingForms::serveUntilClosed() {}

}  // namespace volmora
