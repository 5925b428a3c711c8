// The real registry for the registry contract tests: a scratch key below HKEY_CURRENT_USER,
// made empty before each test and removed after it.
#include <windows.h>

#include "contractRegistry.h"
#include "winRegistry.h"

namespace volmora::testing {

namespace {

constexpr wchar_t scratchPath[] = L"Software\\VolmoraContractTest";

class WinContractRegistry : public ContractRegistry {
  public:
    WinContractRegistry() {
        RegDeleteTreeW(HKEY_CURRENT_USER, scratchPath);
        registry_.createKey(currentUser, scratchPath, scratch_);
    }
    ~WinContractRegistry() override {
        registry_.closeKey(scratch_);
        RegDeleteTreeW(HKEY_CURRENT_USER, scratchPath);
    }
    Registry& registry() override { return registry_; }
    KeyHandle scratch() override { return scratch_; }

  private:
    WinRegistry registry_;
    KeyHandle scratch_{};
};

}  // namespace

std::unique_ptr<ContractRegistry> makeContractRegistry() {
    return std::make_unique<WinContractRegistry>();
}

}  // namespace volmora::testing
