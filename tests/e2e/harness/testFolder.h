// Folders that tests work in: each test gets one of its own, clean whatever an earlier or killed
// run left behind.
#pragma once

#include <string>

namespace volmora::e2e {

// Removes the folder with everything in it; nothing happens when it is missing.
void removeFolder(const std::wstring& folder);

// A fresh folder below the temporary folder, named after the purpose, the running test and this
// process; leftovers of the same name are removed first, and the folder with its contents when
// the object goes.
class TestFolder {
  public:
    explicit TestFolder(const std::wstring& purpose);
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::wstring& path() const { return path_; }

  private:
    std::wstring path_;
};

}  // namespace volmora::e2e
