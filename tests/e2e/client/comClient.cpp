// A plain COM client, for the end-to-end tests of what bindObject registers: it looks a class up
// as any client would and prints each call's result, one line per call.
// Usage: comClient <ProgID> <CLSID>; prints
//   bits <32|64>                           the client's own architecture
//   CLSIDFromProgID <HRESULT> [<CLSID>]    the ProgID's class, when found
//   ProgIDFromCLSID <HRESULT> [<ProgID>]   the class's ProgID, when found
//   CoCreateInstance <HRESULT>             creating the class in-process, for IUnknown
// with each HRESULT as 0x%08X; ends with 0, or 2 for a wrong command line.
#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "comPtr.h"
#include "uniqueHandle.h"
#include "utf8.h"

namespace {

struct ComApartment {
    HRESULT status = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ~ComApartment() {
        if (SUCCEEDED(status)) {
            CoUninitialize();
        }
    }
};

// Text that COM allocated for the caller.
struct TaskMemoryTextTraits {
    using Handle = wchar_t*;
    static wchar_t* empty() { return nullptr; }
    static bool valid(wchar_t* text) { return text != nullptr; }
    static void close(wchar_t* text) { CoTaskMemFree(text); }
};
using TaskMemoryText = volmora::UniqueHandle<TaskMemoryTextTraits>;

void printLine(const std::wstring& call, HRESULT status, const std::wstring& value) {
    std::wstring line = call + L" ";
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08X", static_cast<unsigned>(status));
    line += code;
    if (!value.empty()) {
        line += L" " + value;
    }
    line += L"\n";
    const std::string bytes = volmora::utf8(line);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

std::wstring guidText(REFGUID guid) {
    wchar_t text[40];
    const int length = StringFromGUID2(guid, text, 40);
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length - 1)) : std::wstring();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fputs("usage: comClient <ProgID> <CLSID>\n", stderr);
        return 2;
    }
    CLSID clsid{};
    if (FAILED(CLSIDFromString(argv[2], &clsid))) {
        std::fputs("comClient: the CLSID is malformed\n", stderr);
        return 2;
    }
    std::printf("bits %u\n", static_cast<unsigned>(sizeof(void*) * 8));
    const ComApartment apartment;
    if (FAILED(apartment.status)) {
        printLine(L"CoInitializeEx", apartment.status, L"");
        return 0;
    }

    CLSID found{};
    HRESULT status = CLSIDFromProgID(argv[1], &found);
    printLine(L"CLSIDFromProgID", status, SUCCEEDED(status) ? guidText(found) : L"");

    wchar_t* progId = nullptr;
    status = ProgIDFromCLSID(clsid, &progId);
    const TaskMemoryText ownedProgId(progId);
    printLine(L"ProgIDFromCLSID", status,
              SUCCEEDED(status) && ownedProgId.valid() ? ownedProgId.get() : L"");

    volmora::ComPtr<IUnknown> object;
    status = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.putVoid());
    printLine(L"CoCreateInstance", status, L"");
    std::fflush(stdout);
    return 0;
}
