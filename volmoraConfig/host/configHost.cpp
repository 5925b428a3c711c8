// The host's failures as the messages say them.
#include "host/configHost.h"

#include "toolText.h"

namespace volmora::config {

std::wstring fileFailure(std::wstring_view verb, const std::wstring& path, long code) {
    return errorText(L"Can't " + std::wstring(verb) + L" " + quoted(path) + L": ", code);
}

}  // namespace volmora::config
