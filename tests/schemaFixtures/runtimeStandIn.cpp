// A stand-in for the runtime library VOLM.dll, for the end-to-end tests only.
// Its UnregisterTypeLibrary removes the registration of the type library it is handed, as the
// runtime does. When VOLM_STANDIN_RESULT holds a signed decimal number, it returns that number
// instead and changes nothing, so that the tests can reach bindSchema's failure message.
// Its DllGetClassObject serves, as the runtime does, every CLSID that has a class record in the
// registry view of the process that loaded it, with objects that offer IUnknown only. Each call
// appends the requested CLSID as one line to the file that VOLM_STANDIN_ACTIVATIONS names, so
// that the tests see that COM reached the library.
#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cwchar>
#include <string>

namespace {

constexpr wchar_t classRecords[] = L"SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs\\";

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

std::wstring guidText(REFGUID guid) {
    wchar_t text[40];
    const int length = StringFromGUID2(guid, text, 40);
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length - 1)) : std::wstring();
}

// Appends the CLSID and a line break to the activation file; without one named, nothing.
void recordActivation(const std::wstring& clsid) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"VOLM_STANDIN_ACTIVATIONS", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    const HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::string line = std::string(clsid.begin(), clsid.end()) + "\r\n";  // a GUID is ASCII
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

bool hasClassRecord(const std::wstring& clsid) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (classRecords + clsid).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

// COM interfaces have no virtual destructor by design: an object ends through its own Release,
// never by a delete through an interface pointer.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// An object of a bridged class, as far as COM sees it: IUnknown and nothing else.
class BridgedObject final : public IUnknown {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (!IsEqualIID(iid, IID_IUnknown)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

  private:
    ~BridgedObject() = default;
    std::atomic<ULONG> references_{1};
};

// One class object serves every bridged class; it holds no state, so it is never freed.
class BridgedClassFactory final : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        auto* created = new BridgedObject;
        const HRESULT status = created->QueryInterface(iid, object);
        created->Release();
        return status;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

#pragma GCC diagnostic pop

BridgedClassFactory classFactory;

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

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    const std::wstring name = guidText(clsid);
    recordActivation(name);
    if (!hasClassRecord(name)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return classFactory.QueryInterface(iid, object);
}

// The class object is never freed and objects may still live: the library stays loaded.
extern "C" HRESULT WINAPI DllCanUnloadNow() {
    return S_FALSE;
}
