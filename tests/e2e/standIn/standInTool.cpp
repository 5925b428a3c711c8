// Stands in for one of the four programs under volmoraRun, to show the runs that the real ones
// cannot show on demand: one that never ends (with a process of its own that would outlive it),
// one that ends without writing its outcome log record, as a crash would, and one that tells
// the error mode it was started with.
//   standInTool /s hang <file>     starts "standInTool child", writes both process ids to the
//                                  file, then waits far longer than any test
//   standInTool /s norecord <code> ends at once with that exit code
//   standInTool /s errormode       ends at once with its error mode (SetErrorMode) as its exit
//                                  code: what it inherited from the runner
#include <windows.h>

#include <cstdlib>
#include <string>

#include "childProcess.h"
#include "fileHandle.h"

namespace {

// Longer than any test waits, and still a bound.
constexpr DWORD hangMilliseconds = 10 * 60 * 1000;

int hang(const std::wstring& pidFile) {
    volmora::ChildStart start;
    start.image = volmora::ownProgramPath();
    start.commandLine = volmora::quoteForCommandLine(start.image) + L" child";
    volmora::ChildProcess child(start);
    if (!child.started()) {
        return 2;
    }
    const std::string ids =
        std::to_string(GetCurrentProcessId()) + " " + std::to_string(child.id()) + "\n";
    {
        const volmora::FileHandle file(CreateFileW(pidFile.c_str(), GENERIC_WRITE, 0, nullptr,
                                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file.valid() ||
            !WriteFile(file.get(), ids.data(), static_cast<DWORD>(ids.size()), &written, nullptr)) {
            return 3;
        }
    }
    Sleep(hangMilliseconds);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 2 ? argv[2] : (argc > 1 ? argv[1] : L"");
    if (mode == L"child") {
        Sleep(hangMilliseconds);
        return 0;
    }
    if (mode == L"hang" && argc > 3) {
        return hang(argv[3]);
    }
    if (mode == L"norecord" && argc > 3) {
        return _wtoi(argv[3]);
    }
    if (mode == L"errormode") {
        return static_cast<int>(GetErrorMode());
    }
    return 1;
}
