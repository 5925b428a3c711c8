// A tool copy that cannot create the file-system object, through Wine's per-program overrides.
#include "programWithoutScripting.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "harness.h"
#include "registryWriting.h"

namespace volmora::e2e {

ProgramWithoutScripting::ProgramWithoutScripting(const std::wstring& toolName)
    : ProgramWithoutScripting(toolName, builtToolPath(toolName)) {}

ProgramWithoutScripting::ProgramWithoutScripting(const std::wstring& name,
                                                 const std::wstring& source)
    : name_(name + L"WithoutScripting.exe") {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    path_ = std::wstring(folder) + name_;
    EXPECT_TRUE(CopyFileW(source.c_str(), path_.c_str(), FALSE));
    // An empty override disables the library for this program alone.
    writeText(HKEY_CURRENT_USER, appDefaultsKey() + L"\\DllOverrides", L"scrrun", L"");
}

ProgramWithoutScripting::~ProgramWithoutScripting() {
    deleteTree(HKEY_CURRENT_USER, appDefaultsKey());
    DeleteFileW(path_.c_str());
}

std::uint32_t fileSystemObjectFailureWithoutScripting() {
    // The COM floor (a probe that the benchmark times too) starts COM and creates the object
    // exactly as the tools do, and ends with the HRESULT of the call that failed.
    const ProgramWithoutScripting floor(L"comFloor", probeProgramPath(L"comFloor"));
    RunOptions options;
    options.program = floor.path();
    const RunResult result = runTool(L"comFloor", L"", options);
    EXPECT_FALSE(result.timedOut);
    EXPECT_TRUE(FAILED(static_cast<HRESULT>(result.exitCode)))
        << "the file-system object was created without scrrun.dll";
    return result.exitCode;
}

std::wstring ProgramWithoutScripting::appDefaultsKey() const {
    return L"Software\\Wine\\AppDefaults\\" + name_;
}

}  // namespace volmora::e2e
