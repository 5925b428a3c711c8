// What every custom action of volmoraMsiStep.dll does with its installer session: read its
// CustomActionData and write lines into the installer's log, which an exe action's output never
// reaches (measured under Wine's msiexec) and a DLL action's messages do.
#pragma once

#include <windows.h>

#include <msi.h>

#include <string>
#include <string_view>
#include <variant>

#include "stepData.h"

namespace volmora::msistep {

// One line into the installer's log, as it is.
void logLine(MSIHANDLE install, const std::wstring& line);
// A line of the step's own: "volmoraMsiStep: <text>".
void logStep(MSIHANDLE install, const std::wstring& text);
// Logs the step's line and returns the result that fails the install.
UINT failStep(MSIHANDLE install, const std::wstring& text);

// ": error=<code>", as the programs write a Win32 status.
std::wstring errorText(DWORD error);

// A property's value, or why it cannot be read.
std::variant<std::wstring, Fault> propertyValue(MSIHANDLE install, const std::wstring& name);

// The action's CustomActionData, or why it cannot be read.
std::variant<std::wstring, Fault> actionData(MSIHANDLE install);

// The action's CustomActionData as that reader reads it, or why it cannot be read.
template <typename Read>
auto readActionData(MSIHANDLE install, Read read) -> decltype(read(std::wstring_view{})) {
    const auto data = actionData(install);
    if (const auto* fault = std::get_if<Fault>(&data)) {
        return *fault;
    }
    return read(std::get<std::wstring>(data));
}

}  // namespace volmora::msistep
