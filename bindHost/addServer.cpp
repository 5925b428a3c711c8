// Registration: creates or updates one server record and reports the outcome.
#include "bindHost.h"
#include "recordPaths.h"
#include "regUtil.h"
#include "serverRecord.h"
#include "toolText.h"

namespace volmora {

namespace {

constexpr std::wstring_view createFailure = L"Can't create VOLM Servers registry settings: ";
constexpr std::wstring_view classpathFailure = L"Can't set Classpath registry value: ";
constexpr std::wstring_view importsFailure = L"Can't set Imports registry value: ";

std::wstring registeredText(const std::wstring& serverId, const std::wstring& classpath,
                            const std::wstring& imports) {
    std::wstring text = L"Server " + quoted(serverId) + L" successfully registered.";
    appendServerValues(text, classpath, imports);
    return text;
}

}  // namespace

void addServer(Tool& tool, const std::wstring& serverId, const std::wstring& classpath,
               const std::wstring& imports) {
    // A backslash would reach a key below another record instead of naming one record.
    long result = keyNameStatus(serverId);
    if (result != status::success) {
        tool.showError(errorText(createFailure, result));
        return;
    }
    Registry& registry = tool.registry();
    RegKey record(registry);
    result = record.create(localMachine, recordPath(recordCollection::servers, serverId));
    if (result != status::success) {
        tool.showError(errorText(createFailure, result));
        return;
    }
    result = setNamedValue(registry, record.handle(), std::wstring(classpathValueName),
                           valueType::sz, classpath);
    if (result != status::success) {
        tool.showError(errorText(classpathFailure, result));
        return;
    }
    // Written also when empty, so that a record always holds both values.
    result = setNamedValue(registry, record.handle(), std::wstring(importsValueName), valueType::sz,
                           imports);
    if (result != status::success) {
        tool.showError(errorText(importsFailure, result));
        return;
    }
    record.close();
    tool.showInfo(registeredText(serverId, classpath, imports));
}

}  // namespace volmora
