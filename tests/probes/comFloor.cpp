// The benchmark's second floor: what every tool must do at start and nothing more, COM in a
// multithreaded apartment and the file-system object "Scripting.FileSystemObject", created the
// way the tools create it. Exit code 0 when the object was created, otherwise the HRESULT of the
// failed call, so that tests can measure what a tool meets where the object cannot be created.
#include <windows.h>

#include <oaidl.h>
#include <objbase.h>

#include "comPtr.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    CLSID classId{};
    if (SUCCEEDED(result)) {
        result = CLSIDFromProgID(L"Scripting.FileSystemObject", &classId);
    }
    volmora::ComPtr<IDispatch> object;
    if (SUCCEEDED(result)) {
        result = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                  IID_IDispatch, object.putVoid());
    }
    return SUCCEEDED(result) ? 0 : static_cast<int>(result);
}
