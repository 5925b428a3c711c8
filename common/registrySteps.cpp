// The steps of a registration and their failure messages.
#include "registrySteps.h"

#include "recordPaths.h"
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

bool writeRecord(Tool& tool, std::wstring_view collection, const std::wstring& name,
                 std::wstring_view createFailure, const std::vector<TextValueStep>& values) {
    Registry& registry = tool.registry();
    RegKey record(registry);
    if (!stepSucceeded(tool, record.create(localMachine, recordPath(collection, name)),
                       createFailure)) {
        return false;
    }
    for (const auto& value : values) {
        if (!stepSucceeded(tool, setTextValue(registry, record, value.name, value.text),
                           value.failurePrefix)) {
            return false;
        }
    }
    return true;
}

}  // namespace volmora
