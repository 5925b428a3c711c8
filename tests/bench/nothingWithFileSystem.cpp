// The floor plus the tools' start-up COM work: the multithreaded apartment and the file-system
// object, so the benchmark can tell what that work costs.
#include <objbase.h>
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
        return 1;
    }
    CLSID classId{};
    IUnknown* object = nullptr;
    HRESULT result = CLSIDFromProgID(L"Scripting.FileSystemObject", &classId);
    if (SUCCEEDED(result)) {
        result = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  reinterpret_cast<void**>(&object));
    }
    if (object != nullptr) {
        object->Release();
    }
    return SUCCEEDED(result) ? 0 : 2;
}
