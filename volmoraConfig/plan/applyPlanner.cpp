// The planner: for each record of the file the values to set and delete, for each class the COM
// keys that registration writes, and for each class that goes or takes another ProgID the keys it
// leaves, as the record rules say. The writes are made from the same rules when they are needed.
#include "plan/applyPlanner.h"

#include <algorithm>
#include <array>

#include "classKeys.h"
#include "classRecord.h"
#include "keyNameCase.h"
#include "nameRules.h"
#include "plan/keptRecords.h"
#include "progIdOwnership.h"
#include "recordPaths.h"
#include "toolText.h"
#include "utf16.h"

namespace volmora::config {

namespace {

constexpr std::wstring_view notText = L"(not REG_SZ)";

std::wstring_view textOr(const Record& record, std::wstring_view name) {
    const std::wstring_view* text = findValue(record, name);
    return text ? *text : std::wstring_view();
}

ShownValue shown(const ComValueRead& found) {
    switch (found.kind) {
        case ComValueRead::Kind::text:
            return ShownValue::ofText(found.text);
        case ComValueRead::Kind::otherType:
            return ShownValue::ofOther(notText);
        default:
            return ShownValue::none();
    }
}

ShownValue shown(const Value* value) {
    return value ? ShownValue::ofText(value->text) : ShownValue::none();
}

ReadFailure comReadFailure(long code, const std::wstring& key) {
    return {code, L"Can't read " + quoted(fullKeyName(classesRoot, key)) + L" key"};
}

bool containsKey(const std::vector<std::wstring>& keys, const std::wstring& key) {
    return std::any_of(keys.begin(), keys.end(),
                       [&](const std::wstring& k) { return sameName(k, key); });
}

// The values of wanted that found lacks or holds otherwise (set, with found's value when it has
// one), then those of found that wanted lacks (unset): what makes the record hold wanted's values.
template <typename Set, typename Unset>
void forEachDifference(const Record& wanted, const Record* found, const Set& set,
                       const Unset& unset) {
    for (const Value& value : wanted.values) {
        const Value* current = found ? findNamedValue(*found, value.name) : nullptr;
        if (current == nullptr || current->text != value.text) {
            set(value, current);
        }
    }
    if (found != nullptr) {
        for (const Value& value : found->values) {
            if (findValue(wanted, value.name) == nullptr) {
                unset(value);
            }
        }
    }
}

// A class's own keys, in the order of PlannedRecord::missingKeys.
std::array<const OwnKey*, 3> ownKeys(const ClassKeys& keys) {
    return {&keys.comClass, &keys.progId, &keys.versioned};
}

// The bit of the own key that holds a COM value.
std::uint8_t ownerBit(const ClassKeys& keys, const ComValue& value) {
    const auto owned = ownKeys(keys);
    for (std::size_t k = 0; k < owned.size(); ++k) {
        const std::wstring& path = owned[k]->path;
        if (value.key.size() > path.size() && value.key[path.size()] == L'\\' &&
            value.key.starts_with(path)) {
            return static_cast<std::uint8_t>(1u << k);
        }
    }
    return 0;
}

// The keys of a ProgID key that go: all of them, or with the key itself kept only the subkeys
// registration writes (an emptied key), leaves first.
std::vector<std::wstring> leavingKeys(const OwnKey& own, bool whole) {
    std::vector<std::wstring> keys = keysLeavesFirst({&own});
    if (!whole) {
        keys.pop_back();
    }
    return keys;
}

class Planner {
  public:
    Planner(const Configuration& file, const Machine& machine, bool prune,
            const std::wstring& libraryPath, ComState& com, Plan& plan, PlanListener& listener)
        : file_(file),
          machine_(machine),
          prune_(prune),
          libraryPath_(libraryPath),
          com_(com),
          plan_(plan),
          listener_(listener),
          kept_(keptClasses(file, machine, prune)) {}

    ReadFailure run() {
        expectLooks();
        for (const Collection collection : allCollections) {
            const std::vector<Record>& records = file_.records(collection);
            InOrderFinder onMachine(machine_.own.records(collection));
            for (std::size_t i = 0; i < records.size(); ++i) {
                if (ReadFailure failure = planRecord(collection, i, onMachine); failure.code) {
                    return failure;
                }
            }
        }
        if (!prune_) {
            return {};
        }
        for (const Collection collection :
             {Collection::classes, Collection::servers, Collection::jvms}) {
            const std::vector<Record>& records = machine_.own.records(collection);
            InOrderFinder inFile(file_.records(collection));
            for (std::size_t i = 0; i < records.size(); ++i) {
                if (inFile.find(records[i].name) == nullptr) {
                    if (ReadFailure failure = planRemoval(collection, i); failure.code) {
                        return failure;
                    }
                }
            }
        }
        return {};
    }

  private:
    // Tells com how many own keys of classes new to the machine will be looked for.
    void expectLooks() {
        InOrderFinder onMachine(machine_.own.classes);
        const std::size_t newClasses = static_cast<std::size_t>(std::count_if(
            file_.classes.begin(), file_.classes.end(),
            [&](const Record& record) { return onMachine.find(record.name) == nullptr; }));
        if (newClasses == 0) {
            return;
        }
        const ClassKeys shape = classKeys(L"P", L"C");
        const auto parentOf = [](const std::wstring& path) {
            const std::size_t end = path.rfind(L'\\');
            return end == std::wstring::npos ? std::wstring() : path.substr(0, end);
        };
        com_.expectKeyLooks(parentOf(shape.comClass.path), newClasses);
        // The ProgID's own key and its versioned one lie side by side.
        com_.expectKeyLooks(parentOf(shape.progId.path), 2 * newClasses);
    }

    ReadFailure planRecord(Collection collection, std::size_t index, InOrderFinder& machineFinder) {
        const Record& wanted = file_.records(collection)[index];
        const std::vector<Record>& onMachine = machine_.own.records(collection);
        const Record* found = machineFinder.find(wanted.name);
        PlannedRecord planned;
        planned.collection = collection;
        planned.kind = found ? ChangeKind::change : ChangeKind::add;
        planned.wanted = static_cast<std::uint32_t>(index);
        if (found != nullptr) {
            planned.found = static_cast<std::uint32_t>(found - onMachine.data());
        }
        details_.clear();
        bool written = found == nullptr;
        forEachDifference(
            wanted, found,
            [&](const Value& value, const Value* current) {
                written = true;
                detail(planned, [&] {
                    return PlanDetail{{},
                                      std::wstring(value.name),
                                      shown(current),
                                      ShownValue::ofText(value.text)};
                });
            },
            [&](const Value& value) {
                written = true;
                details_.push_back(
                    {{}, std::wstring(value.name), shown(&value), ShownValue::none()});
            });
        const std::wstring_view name = found ? found->name : wanted.name;
        std::wstring_view progId;
        if (collection == Collection::classes) {
            progId = textOr(wanted, recordValue::progId);
            if (ReadFailure failure = planComKeys(found, name, progId, planned, written);
                failure.code) {
                return failure;
            }
        }
        if (written) {
            plan_.records.push_back(planned);
            listener_.record(planned.kind, collection, name, progId, details_);
        }
        return {};
    }

    // The COM values registration writes for the class, where they differ, then the keys of its
    // old ProgID that it leaves.
    ReadFailure planComKeys(const Record* found, std::wstring_view name, std::wstring_view progId,
                            PlannedRecord& planned, bool& written) {
        const std::wstring clsid(name);
        const ClassKeys keys = classKeys(std::wstring(progId), clsid, libraryPath_);
        // A class new to the machine seldom has COM keys: its own keys are looked for first, so
        // that one call answers for all the values of a missing one.
        if (found == nullptr) {
            const auto owned = ownKeys(keys);
            for (std::size_t k = 0; k < owned.size(); ++k) {
                const long status = com_.keyStatus(owned[k]->path);
                if (status == status::fileNotFound) {
                    planned.missingKeys |= static_cast<std::uint8_t>(1u << k);
                } else if (status != status::success) {
                    return comReadFailure(status, owned[k]->path);
                }
            }
        }
        const std::vector<ComValue> values = comValues(keys);
        for (std::size_t i = 0; i < values.size(); ++i) {
            const ComValue& wanted = values[i];
            ComValueRead current;
            if ((planned.missingKeys & ownerBit(keys, wanted)) == 0) {
                current = com_.value(wanted.key, wanted.name);
                if (current.kind == ComValueRead::Kind::failed) {
                    return comReadFailure(current.code, wanted.key);
                }
                if (comValueMatches(wanted, current)) {
                    continue;
                }
            }
            planned.comDiffers |= static_cast<std::uint8_t>(1u << i);
            written = true;
            // A new class's writes to keys that are there already change them: they are shown.
            detail(
                planned,
                [&] {
                    return PlanDetail{wanted.key, std::wstring(wanted.name), shown(current),
                                      ShownValue::ofText(wanted.text)};
                },
                (planned.missingKeys & ownerBit(keys, wanted)) == 0);
        }
        if (found == nullptr) {
            return {};
        }
        const std::wstring_view oldProgId = textOr(*found, recordValue::progId);
        if (oldProgId.empty() || sameName(oldProgId, progId)) {
            return {};
        }
        const std::vector<std::wstring> rewritten = keys.leavesFirst();
        const ClassKeys oldKeys = classKeys(std::wstring(oldProgId), clsid);
        const std::vector<const OwnKey*> leaving = oldKeys.progIdKeys();
        for (std::size_t k = 0; k < leaving.size(); ++k) {
            // A key that the new ProgID owns too is made what registration writes for it; one of
            // the old ProgID's alone goes as removal takes it.
            Leaving fate =
                containsKey(rewritten, leaving[k]->path) ? Leaving::goes : Leaving::stays;
            if (fate == Leaving::stays) {
                if (ReadFailure failure = leftToNoOne(*leaving[k], clsid, fate); failure.code) {
                    return failure;
                }
            }
            if (fate == Leaving::stays) {
                continue;
            }
            note(planned, k, fate);
            for (const std::wstring& key : leavingKeys(*leaving[k], fate == Leaving::goes)) {
                if (!containsKey(rewritten, key)) {
                    written = true;
                    details_.push_back({key, {}, {}, {}, true});
                }
            }
        }
        return {};
    }

    enum class Leaving { stays, goes, emptied };

    void note(PlannedRecord& planned, std::size_t k, Leaving fate) {
        const auto bit = static_cast<std::uint8_t>(1u << k);
        if (fate == Leaving::goes) {
            planned.progIdKeysGo |= bit;
        } else if (fate == Leaving::emptied) {
            planned.progIdKeysEmptied |= bit;
        }
    }

    // Whether a ProgID key that class clsid leaves goes: it leads to that class, and no class
    // that stays owns it (the other view's record of the same class among them). One that holds
    // more than registration writes stays, with only the subkeys registration writes gone.
    ReadFailure leftToNoOne(const OwnKey& own, std::wstring_view clsid, Leaving& fate) {
        fate = Leaving::stays;
        if (!progIdKeyMayBeWritten(own.path)) {
            return {};  // a key that COM or the system keeps, whatever a program wrote there
        }
        for (const ProgIdKeyOwners::Owner* owner : kept_.ownersOf(own.path)) {
            if (keptIn(*owner) != KeptIn::file || !sameName(owner->clsid, clsid)) {
                return {};
            }
        }
        const std::wstring pointer = classPointerOf(own);
        const ComValueRead leadsTo = com_.value(pointer, {});
        if (leadsTo.kind == ComValueRead::Kind::failed) {
            return comReadFailure(leadsTo.code, pointer);
        }
        if (!leadsToClass(leadsTo, clsid)) {
            return {};
        }
        std::vector<std::wstring> values;
        std::vector<std::wstring> subkeys;
        if (const long status = com_.keyContents(own.path, values, subkeys); status) {
            return comReadFailure(status, own.path);
        }
        if (holdsOnlyRegistration(own, values, subkeys)) {
            fate = Leaving::goes;
            return {};
        }
        fate = Leaving::emptied;
        plan_.keptKeys.push_back(fullKeyName(classesRoot, own.path));
        return {};
    }

    // A record that the file does not name goes as the program's /u takes it: a class's COM
    // keys, the ProgID keys that no one else keeps, then the record.
    ReadFailure planRemoval(Collection collection, std::size_t index) {
        const Record& found = machine_.own.records(collection)[index];
        PlannedRecord planned;
        planned.collection = collection;
        planned.kind = ChangeKind::remove;
        planned.found = static_cast<std::uint32_t>(index);
        std::wstring_view progId;
        if (collection == Collection::classes) {
            progId = textOr(found, recordValue::progId);
            if (!progId.empty()) {
                const ClassKeys keys = classKeys(std::wstring(progId), std::wstring(found.name));
                const std::vector<const OwnKey*> owned = keys.progIdKeys();
                for (std::size_t k = 0; k < owned.size(); ++k) {
                    Leaving fate = Leaving::stays;
                    if (ReadFailure failure = leftToNoOne(*owned[k], found.name, fate);
                        failure.code) {
                        return failure;
                    }
                    note(planned, k, fate);
                }
            }
        }
        plan_.records.push_back(planned);
        details_.clear();
        if (listener_.wantsEveryRecordsValues()) {
            for (const Value& value : found.values) {
                details_.push_back(
                    {{}, std::wstring(value.name), shown(&value), ShownValue::none()});
            }
        }
        listener_.record(planned.kind, collection, found.name, progId, details_);
        return {};
    }

    // A changed record's changes are made, and of an added one those to keys that exist (the
    // lines show both); every record's for a listener that is told them all.
    template <typename Made>
    void detail(const PlannedRecord& planned, const Made& made, bool existingKey = false) {
        if (planned.kind == ChangeKind::change || existingKey ||
            listener_.wantsEveryRecordsValues()) {
            PlanDetail one = made();
            one.existingKey = existingKey && planned.kind == ChangeKind::add;
            details_.push_back(std::move(one));
        }
    }

    const Configuration& file_;
    const Machine& machine_;
    bool prune_;
    const std::wstring& libraryPath_;
    ComState& com_;
    Plan& plan_;
    PlanListener& listener_;
    ProgIdKeyOwners kept_;
    std::vector<PlanDetail> details_;  // of the record being planned
};

}  // namespace

ComValueRead RegistryComState::value(const std::wstring& key, std::wstring_view name) {
    if (name.empty() && !kept_.empty()) {
        if (const auto kept = kept_.find(key); kept != kept_.end()) {
            ComValueRead read = std::move(kept->second);
            kept_.erase(kept);
            return read;
        }
    }
    return reader_.read(key, name);
}

ComValueRead RegistryComState::keptDefault(const std::wstring& key) {
    ComValueRead read = reader_.read(key, {});
    if (read.kind != ComValueRead::Kind::failed) {
        kept_.insert_or_assign(key, read);
    }
    return read;
}

long RegistryComState::keyStatus(const std::wstring& key) {
    const std::size_t end = key.rfind(L'\\');
    const std::wstring_view parent =
        end == std::wstring::npos ? std::wstring_view() : std::wstring_view(key).substr(0, end);
    const std::wstring_view name =
        end == std::wstring::npos ? std::wstring_view(key) : std::wstring_view(key).substr(end + 1);
    for (const Listing& listing : listings_) {
        if (sameName(listing.parent, parent)) {
            return std::binary_search(listing.subkeys.begin(), listing.subkeys.end(), name,
                                      KeyNameOrder{})
                       ? status::success
                       : status::fileNotFound;
        }
    }
    return reader_.openKey(key);
}

void RegistryComState::expectKeyLooks(const std::wstring& parent, std::size_t looks) {
    for (const Listing& listing : listings_) {
        if (sameName(listing.parent, parent)) {
            return;  // listed once for all who look
        }
    }
    RegKey opened(registry_);
    KeyHandle key = classesRoot;
    if (!parent.empty()) {
        if (opened.open(classesRoot, parent, KeyAccess::read) != status::success) {
            return;  // each look finds out for itself
        }
        key = opened.handle();
    }
    std::uint32_t count = 0;
    if (registry_.countSubkeys(key, count) != status::success || looks <= count) {
        return;
    }
    Listing listing{parent, {}};
    listing.subkeys.reserve(count);
    for (std::uint32_t index = 0;; ++index) {
        std::wstring name;
        const long result = registry_.enumKey(key, index, name);
        if (result == status::noMoreItems) {
            break;
        }
        if (result != status::success) {
            return;
        }
        listing.subkeys.push_back(std::move(name));
    }
    std::sort(listing.subkeys.begin(), listing.subkeys.end(), KeyNameOrder{});
    listings_.push_back(std::move(listing));
}

long RegistryComState::keyContents(const std::wstring& key, std::vector<std::wstring>& values,
                                   std::vector<std::wstring>& subkeys) {
    values.clear();
    subkeys.clear();
    RegKey opened(registry_);
    if (const long result = opened.open(classesRoot, key, KeyAccess::read); result) {
        return result == status::fileNotFound ? status::success : result;
    }
    for (std::uint32_t index = 0;; ++index) {
        std::wstring name;
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        const long result = registry_.enumValue(opened.handle(), index, name, type, data);
        if (result == status::noMoreItems) {
            break;
        }
        if (result != status::success) {
            return result;
        }
        values.push_back(std::move(name));
    }
    for (std::uint32_t index = 0;; ++index) {
        std::wstring name;
        const long result = registry_.enumKey(opened.handle(), index, name);
        if (result == status::noMoreItems) {
            return status::success;
        }
        if (result != status::success) {
            return result;
        }
        subkeys.push_back(std::move(name));
    }
}

std::size_t Plan::count(ChangeKind kind) const {
    return static_cast<std::size_t>(
        std::count_if(records.begin(), records.end(),
                      [&](const PlannedRecord& planned) { return planned.kind == kind; }));
}

ReadFailure makePlan(const Configuration& file, const Machine& machine, bool prune,
                     const std::wstring& libraryPath, ComState& com, Plan& plan,
                     PlanListener& listener) {
    plan = {};
    return Planner(file, machine, prune, libraryPath, com, plan, listener).run();
}

// Fills a unit in place: the strings and buffers that the record before left in it keep their
// room, so that making the writes of thousands of records of one kind seldom allocates.
class UnitFiller {
  public:
    explicit UnitFiller(WriteUnit& unit) : unit_(unit) {}

    // A write to key below root: the last one when it is that key's too, so that the values of
    // one key go in one write.
    std::size_t write(KeyHandle root, std::wstring_view key, bool remove) {
        if (!remove && writes_ > 0) {
            const KeyWrite& last = unit_.writes[writes_ - 1];
            if (last.root == root && !last.remove && last.path == key) {
                return writes_ - 1;
            }
        }
        KeyWrite& write = next(unit_.writes, writes_);
        write.root = root;
        write.path.assign(key);
        write.remove = remove;
        counts_.resize(writes_);
        counts_.back() = {};
        return writes_ - 1;
    }
    void set(std::size_t write, std::wstring_view name, std::wstring_view text) {
        SavedValue& value = next(unit_.writes[write].set, counts_[write].set);
        value.name.assign(name);
        value.type = valueType::sz;
        assignUtf16Bytes(value.data, text);
    }
    void unset(std::size_t write, std::wstring_view name) {
        next(unit_.writes[write].unset, counts_[write].unset).assign(name);
    }
    // Whether the write sets or deletes a value.
    bool changes(std::size_t write) const { return counts_[write].set + counts_[write].unset > 0; }
    // Takes back the last write.
    void drop() { --writes_; }
    void own(KeyHandle root, std::wstring_view key, bool knownMissing) {
        OwnedKey& owned = next(unit_.owned, owned_);
        owned.root = root;
        owned.path.assign(key);
        owned.knownMissing = knownMissing;
    }
    // Ends the unit: what the last one left beyond it goes.
    void finish() {
        unit_.writes.resize(writes_);
        for (std::size_t i = 0; i < writes_; ++i) {
            unit_.writes[i].set.resize(counts_[i].set);
            unit_.writes[i].unset.resize(counts_[i].unset);
        }
        unit_.owned.resize(owned_);
    }

  private:
    struct Counts {
        std::size_t set = 0;
        std::size_t unset = 0;
    };
    template <typename T>
    static T& next(std::vector<T>& items, std::size_t& used) {
        if (used == items.size()) {
            items.emplace_back();
        }
        return items[used++];
    }

    WriteUnit& unit_;
    std::size_t writes_ = 0;
    std::size_t owned_ = 0;
    std::vector<Counts> counts_;
};

void PlannedWrites::forEach(const std::function<bool(const WriteUnit&)>& each) const {
    WriteUnit unit;
    for (const PlannedRecord& planned : plan_.records) {
        UnitFiller filler(unit);
        make(planned, filler);
        filler.finish();
        if (!each(unit)) {
            return;
        }
    }
}

void PlannedWrites::make(const PlannedRecord& planned, UnitFiller& unit) const {
    const Collection collection = planned.collection;
    const Record* wanted = planned.wanted != PlannedRecord::none
                               ? &file_.records(collection)[planned.wanted]
                               : nullptr;
    const Record* found = planned.found != PlannedRecord::none
                              ? &machine_.own.records(collection)[planned.found]
                              : nullptr;
    const std::wstring name(found ? found->name : wanted->name);
    const std::wstring recordKey = recordPath(collectionKey(collection), name);
    const bool isClass = collection == Collection::classes;
    if (planned.kind == ChangeKind::remove) {
        if (isClass) {
            const std::wstring progId(textOr(*found, recordValue::progId));
            const ClassKeys keys = classKeys(progId, name);
            // A class key of a name that is no GUID is no COM class the bridge may remove.
            std::vector<const OwnKey*> going;
            if (isBracedGuid(name)) {
                going.push_back(&keys.comClass);
            }
            std::vector<const OwnKey*> emptied;
            const std::vector<const OwnKey*> owned = keys.progIdKeys();
            for (std::size_t k = 0; k < owned.size() && !progId.empty(); ++k) {
                if (planned.progIdKeysGo & (1u << k)) {
                    going.push_back(owned[k]);
                } else if (planned.progIdKeysEmptied & (1u << k)) {
                    emptied.push_back(owned[k]);
                }
            }
            for (const std::wstring& key : keysLeavesFirst(going)) {
                unit.write(classesRoot, key, true);
            }
            for (const OwnKey* own : emptied) {
                for (const std::wstring& key : leavingKeys(*own, false)) {
                    unit.write(classesRoot, key, true);
                }
            }
            for (const auto* list : {&going, &emptied}) {
                for (const OwnKey* own : *list) {
                    unit.own(classesRoot, own->path, false);
                }
            }
        }
        unit.write(localMachine, recordKey, true);
        unit.own(localMachine, recordKey, false);
        return;
    }
    const std::size_t record = unit.write(localMachine, recordKey, false);
    forEachDifference(
        *wanted, found,
        [&](const Value& value, const Value* current) {
            // A value that is there keeps its name, as the key does.
            unit.set(record, current ? current->name : value.name, value.text);
        },
        [&](const Value& value) { unit.unset(record, value.name); });
    if (found != nullptr && !unit.changes(record)) {
        unit.drop();
    }
    unit.own(localMachine, recordKey, found == nullptr);
    if (!isClass) {
        return;
    }
    const ClassKeys keys =
        classKeys(std::wstring(textOr(*wanted, recordValue::progId)), name, libraryPath_);
    const auto own = ownKeys(keys);
    for (std::size_t k = 0; k < own.size(); ++k) {
        unit.own(classesRoot, own[k]->path, (planned.missingKeys & (1u << k)) != 0);
    }
    if (planned.comDiffers != 0) {
        const std::vector<ComValue> values = comValues(keys);
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (planned.comDiffers & (1u << i)) {
                unit.set(unit.write(classesRoot, values[i].key, false), values[i].name,
                         values[i].text);
            }
        }
    }
    if (found == nullptr || (planned.progIdKeysGo | planned.progIdKeysEmptied) == 0) {
        return;
    }
    const std::vector<std::wstring> rewritten = keys.leavesFirst();
    const ClassKeys oldKeys = classKeys(std::wstring(textOr(*found, recordValue::progId)), name);
    const std::vector<const OwnKey*> leaving = oldKeys.progIdKeys();
    for (std::size_t k = 0; k < leaving.size(); ++k) {
        const bool whole = (planned.progIdKeysGo & (1u << k)) != 0;
        if (!whole && (planned.progIdKeysEmptied & (1u << k)) == 0) {
            continue;
        }
        unit.own(classesRoot, leaving[k]->path, false);
        for (const std::wstring& key : leavingKeys(*leaving[k], whole)) {
            if (!containsKey(rewritten, key)) {
                unit.write(classesRoot, key, true);
            }
        }
    }
}

}  // namespace volmora::config
