// Registration: creates or updates one server record and reports the outcome.
#include "bindHost.h"
#include "nameRules.h"
#include "recordPaths.h"
#include "regUtil.h"
#include "registrySteps.h"
#include "serverRecord.h"
#include "serverText.h"
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
    // A backslash would reach a key below another record instead of naming one record. Imports
    // are written also when empty, so that a record always holds both values.
    if (stepSucceeded(tool, keyNameStatus(serverId), createFailure) &&
        writeRecord(tool, recordCollection::servers, serverId, createFailure,
                    {{classpathValueName, classpath, classpathFailure},
                     {importsValueName, imports, importsFailure}})) {
        tool.showInfo(registeredText(serverId, classpath, imports));
    }
}

}  // namespace volmora
