// The custom actions' session: CustomActionData in, log lines out.
#include "msiSession.h"

#include <msiquery.h>

#include "msiHandle.h"

namespace volmora::msistep {

void logLine(MSIHANDLE install, const std::wstring& line) {
    // Field 0, the template, only names field 1: the line is never read as a template itself.
    const MsiHandle record(MsiCreateRecord(1));
    MsiRecordSetStringW(record.get(), 0, L"[1]");
    MsiRecordSetStringW(record.get(), 1, line.c_str());
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record.get());
}

void logStep(MSIHANDLE install, const std::wstring& text) {
    logLine(install, L"volmoraMsiStep: " + text);
}

UINT failStep(MSIHANDLE install, const std::wstring& text) {
    logStep(install, text);
    return ERROR_INSTALL_FAILURE;
}

std::wstring errorText(DWORD error) {
    return L": error=" + std::to_wstring(static_cast<long>(error));
}

std::variant<std::wstring, Fault> propertyValue(MSIHANDLE install, const std::wstring& name) {
    DWORD size = 0;
    wchar_t none[1] = {};
    UINT result = MsiGetPropertyW(install, name.c_str(), none, &size);
    if (result != ERROR_MORE_DATA && result != ERROR_SUCCESS) {
        return Fault{L"cannot read " + name + errorText(result)};
    }
    std::wstring data(size + 1, L'\0');
    size = static_cast<DWORD>(data.size());
    result = MsiGetPropertyW(install, name.c_str(), data.data(), &size);
    if (result != ERROR_SUCCESS) {
        return Fault{L"cannot read " + name + errorText(result)};
    }
    data.resize(size);
    return data;
}

std::variant<std::wstring, Fault> actionData(MSIHANDLE install) {
    return propertyValue(install, L"CustomActionData");
}

}  // namespace volmora::msistep
