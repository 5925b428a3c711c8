// What apply checks and changes: the refusals of a file against the machine's records, and the
// plan, one change per record, with the exact writes that make the machine's view what the file
// says.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "classKeys.h"
#include "configuration.h"

namespace volmora::config {

// What apply reads before it plans.
struct Machine {
    Configuration own;                 // this view's records
    std::vector<Record> otherClasses;  // the other view's class records
};

// Why the records of file cannot be applied to machine (one line each, empty when they can):
// a name or value the programs would refuse, a class without a value it needs, a reference to a
// record that will not be there, a ProgID the other view maps to another CLSID, or one ProgID on
// two classes of the file. With prune, records that the file does not name will be gone.
std::vector<std::wstring> refusals(const Configuration& file, const Machine& machine, bool prune);

// Whether this process may write the configuration: opens for writing the configuration root
// (or the nearest key above it that exists) and the COM classes key. 0, or the failing open's
// status with step naming the key.
ReadFailure checkWriteRights(Registry& registry);

enum class ChangeKind { add, change, remove };

// A COM value as found (nullopt: missing or not text) and as registration writes it.
struct ComDifference {
    ComValue wanted;
    std::optional<std::wstring> found;
};

struct RecordChange {
    Collection collection = Collection::jvms;
    ChangeKind kind = ChangeKind::add;
    std::wstring name;    // the key name: the machine's when the record is there
    std::wstring progId;  // classes: the ProgID to show (the file's, or the machine's on removal)
    std::vector<Value> setValues;
    std::vector<std::wstring> deleteValues;
    std::vector<std::wstring> detail;  // "JvmId "Old" -> "MyJVM"" ...
    std::vector<ComDifference> comWrites;
    // Removal of a class: its COM keys, leaves first (with its ProgID keys when nothing else
    // uses them).
    std::vector<std::wstring> comDeletes;
    // A class whose ProgID changes: the old ProgID's keys, leaves first, when they go.
    std::vector<std::wstring> oldProgIdDeletes;
    // The class's own keys below HKEY_CLASSES_ROOT that the change writes or deletes.
    std::vector<std::wstring> comKeys;
};

struct Plan {
    std::vector<RecordChange> changes;  // writes first, in collection order, then removals
    std::size_t count(ChangeKind kind) const;
    bool empty() const { return changes.empty(); }
};

// Plans apply of file (already free of refusals) over machine, reading the COM keys of every
// class involved from registry once. libraryPath is the runtime library named as every class's
// in-process server.
ReadFailure makePlan(Registry& registry, const Configuration& file, const Machine& machine,
                     bool prune, const std::wstring& libraryPath, Plan& plan);

// The plan as printed: one line per change ("+ jvm MyJVM", "~ class {...} (My.Prog): JvmId
// "Old" -> "MyJVM"", "- server Old"), then "Plan: N to add, N to change, N to remove.", or
// "No changes." alone.
std::vector<std::wstring> planLines(const Plan& plan);

// Every key that the plan writes or deletes, for saving before the first write: the root
// (localMachine or classesRoot) and the path.
struct TouchedKey {
    KeyHandle root;
    std::wstring path;
};
std::vector<TouchedKey> touchedKeys(const Plan& plan);

// Makes the plan's writes in order; stops at the first failure, whose status it returns with
// step naming it in the programs' words ("Can't set JvmOptions registry value").
ReadFailure executePlan(Registry& registry, const Plan& plan);

}  // namespace volmora::config
