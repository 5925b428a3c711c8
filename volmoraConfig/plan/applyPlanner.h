// The plan of an apply: which records it adds, changes and removes, each named by its place in
// the file or on the machine with what the planner found of its COM keys, and the exact writes,
// key by key, that make the machine's view what the file says, made again from the plan one
// record at a time. Planning reads nothing itself: the COM values it compares come through
// ComState.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "classComState.h"
#include "journal/keyChanges.h"
#include "keyNameCase.h"
#include "model/configuration.h"
#include "plan/planDetail.h"

namespace volmora::config {

class UnitFiller;

// The COM values below HKEY_CLASSES_ROOT as the planner finds them.
class ComState {
  public:
    virtual ~ComState() = default;
    // The named value (empty: the default value) of key.
    virtual ComValueRead value(const std::wstring& key, std::wstring_view name) = 0;
    // Whether key is there: 0, status::fileNotFound, or the status of looking.
    virtual long keyStatus(const std::wstring& key) = 0;
    // The planner will ask keyStatus about that many keys right below parent (empty: the root).
    virtual void expectKeyLooks(const std::wstring& parent, std::size_t looks) = 0;
    // The names of the values and of the subkeys that key holds: 0, or the status of reading.
    virtual long keyContents(const std::wstring& key, std::vector<std::wstring>& values,
                             std::vector<std::wstring>& subkeys) = 0;
};

// ComState read from the registry, each value when the planner asks for it, in the order it asks.
// Where the planner will ask whether more keys below a parent are there than the parent has
// subkeys, the subkeys are listed once (a call each, as a look is) and the answers looked up.
class RegistryComState : public ComState {
  public:
    explicit RegistryComState(Registry& registry) : registry_(registry), reader_(registry) {}
    ComValueRead value(const std::wstring& key, std::wstring_view name) override;
    long keyStatus(const std::wstring& key) override;
    void expectKeyLooks(const std::wstring& parent, std::size_t looks) override;
    long keyContents(const std::wstring& key, std::vector<std::wstring>& values,
                     std::vector<std::wstring>& subkeys) override;

    // Keeps the default value of key, read by the look at who holds the ProgID keys before
    // planning, for the planner's one read of it.
    ComValueRead keptDefault(const std::wstring& key);

  private:
    struct Listing {
        std::wstring parent;
        std::vector<std::wstring> subkeys;  // sorted as the registry compares names
    };

    Registry& registry_;
    ComValueReader reader_;
    std::vector<Listing> listings_;
    std::map<std::wstring, ComValueRead, KeyNameOrder> kept_;
};

enum class ChangeKind { add, change, remove };

// Told of each record as soon as it is planned, so that a long plan is shown as it is made: the
// plan's text listens, or its JSON document.
class PlanListener {
  public:
    virtual ~PlanListener() = default;
    // Whether it is told the values of added and removed records too; the text shows a changed
    // record's alone, so the planner makes no others for it.
    virtual bool wantsEveryRecordsValues() const { return false; }
    // name is the record's key name, progId a class's ProgID to show (none when empty), details
    // the changes of a changed record (with wantsEveryRecordsValues, of every record).
    virtual void record(ChangeKind kind, Collection collection, std::wstring_view name,
                        std::wstring_view progId, const std::vector<PlanDetail>& details) = 0;
};

// One record of the plan. It copies nothing of the record: its writes are made again from the
// records when they are needed.
struct PlannedRecord {
    static constexpr std::uint32_t none = 0xFFFFFFFF;
    Collection collection = Collection::jvms;
    ChangeKind kind = ChangeKind::add;
    std::uint32_t wanted = none;  // its place among the file's records of the collection
    std::uint32_t found = none;   // its place among the machine's records of the collection
    // Classes: bit i stands for value i of comValues, which is not what registration writes.
    std::uint8_t comDiffers = 0;
    // Classes: bit k stands for key k of ClassKeys::progIdKeys() of the ProgID the class leaves
    // (a changed class's old one, a removed class's), which goes.
    std::uint8_t progIdKeysGo = 0;
    // Classes: bit k as in progIdKeysGo, for a key that holds more than registration writes: it
    // stays, and only the subkeys registration writes below it go.
    std::uint8_t progIdKeysEmptied = 0;
    // Classes: bit k stands for own key k (the COM key, the ProgID's, the versioned one) of the
    // file's ProgID, which was found missing.
    std::uint8_t missingKeys = 0;
};

struct Plan {
    std::vector<PlannedRecord> records;  // in collection order, then the removals
    // The ProgID keys that removal leaves in place since they hold more than registration
    // writes, as "HKEY_CLASSES_ROOT\..." names.
    std::vector<std::wstring> keptKeys;
    std::size_t count(ChangeKind kind) const;
    bool empty() const { return records.empty(); }
};

// Plans the apply of file (free of refusals) over machine, and tells listener of each planned
// record as soon as it is planned. libraryPath is the runtime library named as every class's
// in-process server. A COM value that cannot be read ends the planning with the failure.
ReadFailure makePlan(const Configuration& file, const Machine& machine, bool prune,
                     const std::wstring& libraryPath, ComState& com, Plan& plan,
                     PlanListener& listener);

// The writes of a plan, a record's at a time: the record's values set and deleted, the COM keys
// registration writes where they differ, and the keys a class leaves. Each unit owns the record's
// key and the class's own keys.
class PlannedWrites : public WriteUnits {
  public:
    PlannedWrites(const Plan& plan, const Configuration& file, const Machine& machine,
                  const std::wstring& libraryPath)
        : plan_(plan), file_(file), machine_(machine), libraryPath_(libraryPath) {}
    void forEach(const std::function<bool(const WriteUnit&)>& each) const override;

  private:
    void make(const PlannedRecord& planned, UnitFiller& unit) const;

    const Plan& plan_;
    const Configuration& file_;
    const Machine& machine_;
    const std::wstring& libraryPath_;
};

}  // namespace volmora::config
