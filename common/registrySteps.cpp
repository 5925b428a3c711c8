// The steps of a registration and their failure messages.
#include "registrySteps.h"

#include "regUtil.h"
#include "toolText.h"

namespace volmora {

bool stepSucceeded(const Tool& tool, long result, std::wstring_view failurePrefix) {
    if (result == status::success) {
        return true;
    }
    tool.showError(errorText(failurePrefix, result));
    return false;
}

long setTextValue(Registry& registry, const RegKey& key, std::wstring_view name,
                  const std::wstring& text) {
    return setNamedValue(registry, key.handle(), std::wstring(name), valueType::sz, RegValue(text));
}

}  // namespace volmora
