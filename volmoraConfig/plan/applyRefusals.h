// Why a file cannot be applied, found before anything is written: records the programs would not
// write, references that would be left dangling, and ProgID keys that a class would take from a
// class that stays.
#pragma once

#include <string>
#include <vector>

#include "model/configuration.h"
#include "plan/applyPlanner.h"

namespace volmora::config {

// Why the records of file cannot be applied to machine, one line each; empty when they can.
// With prune, the machine's records that the file does not name will be gone.
std::vector<std::wstring> refusals(const Configuration& file, const Machine& machine, bool prune);

// The ProgID keys that the file's classes would take from another owner, one line each, read
// through com: a key is the bridge's when it is not there, or when its CLSID names a class that
// has a bridge record in either view. A key that cannot be read ends the look with its failure.
ReadFailure heldProgIdKeys(const Configuration& file, const Machine& machine, RegistryComState& com,
                           std::vector<std::wstring>& out);

// Whether this process may write the configuration: opens for writing the configuration root
// (or the nearest key above it that exists) and the COM classes key. 0, or the failing open's
// status with step naming the key.
ReadFailure checkWriteRights(Registry& registry);

}  // namespace volmora::config
