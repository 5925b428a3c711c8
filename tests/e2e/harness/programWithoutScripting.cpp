// A tool copy that cannot create the file-system object, through Wine's per-program overrides.
#include "programWithoutScripting.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "harness.h"
#include "registryWriting.h"

namespace volmora::e2e {

ProgramWithoutScripting::ProgramWithoutScripting(const std::wstring& toolName)
    : name_(toolName + L"WithoutScripting.exe") {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    path_ = std::wstring(folder) + name_;
    EXPECT_TRUE(CopyFileW(builtToolPath(toolName).c_str(), path_.c_str(), FALSE));
    // An empty override disables the library for this program alone.
    writeText(HKEY_CURRENT_USER, appDefaultsKey() + L"\\DllOverrides", L"scrrun", L"");
}

ProgramWithoutScripting::~ProgramWithoutScripting() {
    deleteTree(HKEY_CURRENT_USER, appDefaultsKey());
    DeleteFileW(path_.c_str());
}

std::wstring ProgramWithoutScripting::appDefaultsKey() const {
    return L"Software\\Wine\\AppDefaults\\" + name_;
}

}  // namespace volmora::e2e
