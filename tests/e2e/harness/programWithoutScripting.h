// A copy of a built tool under a file name of its own, for which Wine's per-program DLL
// overrides disable scrrun.dll, so that the file-system object cannot be created at start.
#pragma once

#include <cstdint>
#include <string>

namespace volmora::e2e {

class ProgramWithoutScripting {
  public:
    explicit ProgramWithoutScripting(const std::wstring& toolName);
    // A copy of the program at that path, named after the given name.
    ProgramWithoutScripting(const std::wstring& name, const std::wstring& source);
    ~ProgramWithoutScripting();
    ProgramWithoutScripting(const ProgramWithoutScripting&) = delete;
    ProgramWithoutScripting& operator=(const ProgramWithoutScripting&) = delete;

    const std::wstring& path() const { return path_; }

  private:
    std::wstring appDefaultsKey() const;

    std::wstring name_;
    std::wstring path_;
};

// What creating the file-system object returns, as the tools create it, in a program that cannot
// create it the same way: measured in this prefix, since it depends on how the prefix was made
// (Wine answers differently where its 32-bit side is complete).
std::uint32_t fileSystemObjectFailureWithoutScripting();

}  // namespace volmora::e2e
