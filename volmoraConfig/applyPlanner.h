// The plan of an apply: which records it adds, changes and removes, with what changes in each, and
// the exact writes, key by key, that make the machine's view what the file says. Planning reads
// nothing itself: the COM values it compares come through ComState.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "classComState.h"
#include "configuration.h"
#include "keyChanges.h"

namespace volmora::config {

// The COM values below HKEY_CLASSES_ROOT as the planner finds them.
class ComState {
  public:
    virtual ~ComState() = default;
    // The named value (empty: the default value) of key.
    virtual ComValueRead value(const std::wstring& key, std::wstring_view name) = 0;
};

// ComState read from the registry, each value when the planner asks for it.
class RegistryComState : public ComState {
  public:
    explicit RegistryComState(Registry& registry) : registry_(registry) {}
    ComValueRead value(const std::wstring& key, std::wstring_view name) override {
        return readComValue(registry_, key, name);
    }

  private:
    Registry& registry_;
};

enum class ChangeKind { add, change, remove };

// One record of the plan, as the plan text shows it.
struct RecordChange {
    Collection collection = Collection::jvms;
    ChangeKind kind = ChangeKind::add;
    std::wstring name;    // the key name: the machine's when the record is there
    std::wstring progId;  // classes: the ProgID to show (the file's, or the machine's on removal)
    // A changed record's changes, one per value or COM key: "JvmId: "Old" -> "MyJVM"".
    std::vector<std::wstring> details;
};

struct Plan {
    std::vector<RecordChange> records;  // in collection order, then the removals
    std::vector<KeyWrite> writes;       // in the order they are made
    std::size_t count(ChangeKind kind) const;
    bool empty() const { return records.empty(); }
};

// Plans the apply of file (free of refusals) over machine. libraryPath is the runtime library
// named as every class's in-process server. A COM value that cannot be read ends the planning
// with the failure.
ReadFailure makePlan(const Configuration& file, const Machine& machine, bool prune,
                     const std::wstring& libraryPath, ComState& com, Plan& plan);

}  // namespace volmora::config
