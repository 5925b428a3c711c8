// A copy of a built tool under a file name of its own, for which Wine's per-program DLL
// overrides disable scrrun.dll, so that the file-system object cannot be created at start.
#pragma once

#include <string>

namespace volmora::e2e {

class ProgramWithoutScripting {
  public:
    explicit ProgramWithoutScripting(const std::wstring& toolName);
    ~ProgramWithoutScripting();
    ProgramWithoutScripting(const ProgramWithoutScripting&) = delete;
    ProgramWithoutScripting& operator=(const ProgramWithoutScripting&) = delete;

    const std::wstring& path() const { return path_; }

  private:
    std::wstring appDefaultsKey() const;

    std::wstring name_;
    std::wstring path_;
};

}  // namespace volmora::e2e
