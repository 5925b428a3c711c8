// The registry that the contract tests run against: each test binary supplies one, the unit
// tests the in-memory registry, the Wine tests the real registry.
#pragma once

#include <memory>

#include "registry.h"

namespace volmora::testing {

class ContractRegistry {
  public:
    virtual ~ContractRegistry() = default;
    virtual Registry& registry() = 0;
    // An empty writable key that the tests work below; it is removed with the object.
    virtual KeyHandle scratch() = 0;
};

std::unique_ptr<ContractRegistry> makeContractRegistry();

}  // namespace volmora::testing
