// The in-memory registry for the registry contract tests.
#include "contractRegistry.h"
#include "memoryRegistry.h"

namespace volmora::testing {

namespace {

class MemoryContractRegistry : public ContractRegistry {
  public:
    MemoryContractRegistry() {
        registry_.createKey(currentUser, L"Software\\VolmoraContractTest", scratch_);
    }
    Registry& registry() override { return registry_; }
    KeyHandle scratch() override { return scratch_; }

  private:
    MemoryRegistry registry_;
    KeyHandle scratch_{};
};

}  // namespace

std::unique_ptr<ContractRegistry> makeContractRegistry() {
    return std::make_unique<MemoryContractRegistry>();
}

}  // namespace volmora::testing
