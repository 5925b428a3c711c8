// A stand-in for the runtime library VOLM.dll, for the end-to-end tests of bindSchema only: its
// UnregisterTypeLibrary removes the registration of the type library it is handed, as the
// runtime does. When VOLM_STANDIN_RESULT holds a signed decimal number, it returns that number
// instead and changes nothing, so that the tests can reach bindSchema's failure message.
#include <oaidl.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdint>
#include <cwchar>

namespace {

bool chosenResult(std::int32_t& result) {
    wchar_t text[32];
    DWORD length = GetEnvironmentVariableW(L"VOLM_STANDIN_RESULT", text, 32);
    if (length == 0 || length >= 32) {
        return false;
    }
    wchar_t* end = nullptr;
    long long number = std::wcstoll(text, &end, 10);
    if (end == text || *end != L'\0') {
        return false;
    }
    result = static_cast<std::int32_t>(number);
    return true;
}

}  // namespace

extern "C" std::int32_t WINAPI UnregisterTypeLibrary(ITypeLib* typeLib) {
    std::int32_t result = 0;
    if (chosenResult(result)) {
        return result;
    }
    if (typeLib == nullptr) {
        return E_POINTER;
    }
    TLIBATTR* attributes = nullptr;
    HRESULT status = typeLib->GetLibAttr(&attributes);
    if (FAILED(status)) {
        return status;
    }
    status = UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                               attributes->lcid, attributes->syskind);
    typeLib->ReleaseTLibAttr(attributes);
    return status;
}
