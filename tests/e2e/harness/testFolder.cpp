// A test's own folder, made fresh and removed with its contents.
#include "testFolder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "ownedHandles.h"

namespace volmora::e2e {

void removeFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    const FindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (search.valid()) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeFolder(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search.get(), &found));
    }
    RemoveDirectoryW(folder.c_str());
}

TestFolder::TestFolder(const std::wstring& purpose) {
    wchar_t temp[MAX_PATH] = {};
    EXPECT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    std::wstring test;
    if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info()) {
        const std::string name = info->name();
        test = L"-" + std::wstring(name.begin(), name.end());
        for (wchar_t& c : test) {
            if (c == L'/') {
                c = L'-';  // parameterized tests are named "Instance/Name"
            }
        }
    }
    path_ = std::wstring(temp) + purpose + test + L"-" + std::to_wstring(GetCurrentProcessId());
    removeFolder(path_);
    EXPECT_TRUE(CreateDirectoryW(path_.c_str(), nullptr))
        << "cannot create a test folder: error " << GetLastError();
}

TestFolder::~TestFolder() {
    removeFolder(path_);
}

}  // namespace volmora::e2e
