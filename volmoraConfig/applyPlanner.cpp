// The planner: for each record of the file the values to set and delete, for each class the COM
// keys that registration writes, and for each class that goes or takes another ProgID the keys it
// leaves, as the record rules say. The writes are made from the same rules when they are needed.
#include "applyPlanner.h"

#include <algorithm>
#include <array>

#include "classKeys.h"
#include "classRecord.h"
#include "configFile.h"
#include "keptRecords.h"
#include "planText.h"
#include "recordPaths.h"
#include "toolText.h"
#include "utf16.h"

namespace volmora::config {

namespace {

constexpr std::wstring_view noValue = L"(none)";
constexpr std::wstring_view notText = L"(not REG_SZ)";

std::wstring_view textOr(const Record& record, std::wstring_view name) {
    const std::wstring_view* text = findValue(record, name);
    return text ? *text : std::wstring_view();
}

SavedValue textValue(std::wstring_view name, std::wstring_view text) {
    return {std::wstring(name), valueType::sz, utf16Bytes(text)};
}

std::wstring shown(const ComValueRead& found) {
    switch (found.kind) {
        case ComValueRead::Kind::text:
            return quoted(found.text);
        case ComValueRead::Kind::otherType:
            return std::wstring(notText);
        default:
            return std::wstring(noValue);
    }
}

ReadFailure comReadFailure(long code, const std::wstring& key) {
    return {code, L"Can't read " + quoted(L"HKEY_CLASSES_ROOT\\" + key) + L" key"};
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

class Planner {
  public:
    Planner(const Configuration& file, const Machine& machine, bool prune,
            const std::wstring& libraryPath, ComState& com, Plan& plan, PlanText& text)
        : file_(file),
          machine_(machine),
          prune_(prune),
          libraryPath_(libraryPath),
          com_(com),
          plan_(plan),
          text_(text),
          kept_(keptClasses(file, machine, prune)) {}

    ReadFailure run() {
        for (const Collection collection : allCollections) {
            const std::vector<Record>& records = file_.records(collection);
            for (std::size_t i = 0; i < records.size(); ++i) {
                if (ReadFailure failure = planRecord(collection, i); failure.code) {
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
            for (std::size_t i = 0; i < records.size(); ++i) {
                if (findRecord(file_.records(collection), records[i].name) == nullptr) {
                    if (ReadFailure failure = planRemoval(collection, i); failure.code) {
                        return failure;
                    }
                }
            }
        }
        return {};
    }

  private:
    ReadFailure planRecord(Collection collection, std::size_t index) {
        const Record& wanted = file_.records(collection)[index];
        const std::vector<Record>& onMachine = machine_.own.records(collection);
        const Record* found = findRecord(onMachine, wanted.name);
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
                    return std::wstring(value.name) + L": " +
                           (current ? quoted(current->text) : std::wstring(noValue)) + L" -> " +
                           quoted(value.text);
                });
            },
            [&](const Value& value) {
                written = true;
                details_.push_back(std::wstring(value.name) + L": " + quoted(value.text) + L" -> " +
                                   std::wstring(noValue));
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
            text_.record(planned.kind, collection, name, progId, details_);
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
            detail(planned, [&] {
                return comKeyLabel(wanted.key, wanted.name) + L": " + shown(current) + L" -> " +
                       quoted(wanted.text);
            });
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
            bool goes = containsKey(rewritten, leaving[k]->path);
            if (!goes) {
                if (ReadFailure failure = leftToNoOne(*leaving[k], clsid, goes); failure.code) {
                    return failure;
                }
            }
            if (!goes) {
                continue;
            }
            planned.progIdKeysGo |= static_cast<std::uint8_t>(1u << k);
            for (const std::wstring& key : keysLeavesFirst({leaving[k]})) {
                if (!containsKey(rewritten, key)) {
                    written = true;
                    details_.push_back(comKeyLabel(key) + L": deleted");
                }
            }
        }
        return {};
    }

    // Whether a ProgID key that class clsid leaves goes: it leads to that class, and no class
    // that stays owns it (the other view's record of the same class among them).
    ReadFailure leftToNoOne(const OwnKey& own, std::wstring_view clsid, bool& goes) {
        goes = false;
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
        goes = leadsToClass(leadsTo, clsid);
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
                    bool goes = false;
                    if (ReadFailure failure = leftToNoOne(*owned[k], found.name, goes);
                        failure.code) {
                        return failure;
                    }
                    if (goes) {
                        planned.progIdKeysGo |= static_cast<std::uint8_t>(1u << k);
                    }
                }
            }
        }
        plan_.records.push_back(planned);
        details_.clear();
        text_.record(planned.kind, collection, found.name, progId, details_);
        return {};
    }

    // Only a changed record's changes are shown: an added one's would never be printed.
    template <typename Text>
    void detail(const PlannedRecord& planned, const Text& text) {
        if (planned.kind == ChangeKind::change) {
            details_.push_back(text());
        }
    }

    const Configuration& file_;
    const Machine& machine_;
    bool prune_;
    const std::wstring& libraryPath_;
    ComState& com_;
    Plan& plan_;
    PlanText& text_;
    ProgIdKeyOwners kept_;
    std::vector<std::wstring> details_;  // of the record being planned
};

// The write to key below root: the last one of the unit when it is that key's, so that the values
// of one key go in one write.
KeyWrite& writeTo(WriteUnit& unit, KeyHandle root, const std::wstring& key) {
    if (unit.writes.empty() || unit.writes.back().root != root || unit.writes.back().remove ||
        unit.writes.back().path != key) {
        unit.writes.push_back({root, key, false, {}, {}});
    }
    return unit.writes.back();
}

}  // namespace

std::size_t Plan::count(ChangeKind kind) const {
    return static_cast<std::size_t>(
        std::count_if(records.begin(), records.end(),
                      [&](const PlannedRecord& planned) { return planned.kind == kind; }));
}

ReadFailure makePlan(const Configuration& file, const Machine& machine, bool prune,
                     const std::wstring& libraryPath, ComState& com, Plan& plan, PlanText& text) {
    plan = {};
    return Planner(file, machine, prune, libraryPath, com, plan, text).run();
}

void PlannedWrites::forEach(const std::function<bool(const WriteUnit&)>& each) const {
    WriteUnit unit;
    for (const PlannedRecord& planned : plan_.records) {
        unit.writes.clear();
        unit.owned.clear();
        make(planned, unit);
        if (!each(unit)) {
            return;
        }
    }
}

void PlannedWrites::make(const PlannedRecord& planned, WriteUnit& unit) const {
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
            std::vector<const OwnKey*> going{&keys.comClass};
            const std::vector<const OwnKey*> owned = keys.progIdKeys();
            for (std::size_t k = 0; k < owned.size() && !progId.empty(); ++k) {
                if (planned.progIdKeysGo & (1u << k)) {
                    going.push_back(owned[k]);
                }
            }
            for (const std::wstring& key : keysLeavesFirst(going)) {
                unit.writes.push_back({classesRoot, key, true, {}, {}});
            }
            for (const OwnKey* own : going) {
                unit.owned.push_back({classesRoot, own->path, false});
            }
        }
        unit.writes.push_back({localMachine, recordKey, true, {}, {}});
        unit.owned.push_back({localMachine, recordKey, false});
        return;
    }
    KeyWrite record{localMachine, recordKey, false, {}, {}};
    forEachDifference(
        *wanted, found,
        [&](const Value& value, const Value* current) {
            // A value that is there keeps its name, as the key does.
            record.set.push_back(textValue(current ? current->name : value.name, value.text));
        },
        [&](const Value& value) { record.unset.emplace_back(value.name); });
    if (found == nullptr || !record.set.empty() || !record.unset.empty()) {
        unit.writes.push_back(std::move(record));
    }
    unit.owned.push_back({localMachine, recordKey, found == nullptr});
    if (!isClass) {
        return;
    }
    const ClassKeys keys =
        classKeys(std::wstring(textOr(*wanted, recordValue::progId)), name, libraryPath_);
    const auto own = ownKeys(keys);
    for (std::size_t k = 0; k < own.size(); ++k) {
        unit.owned.push_back({classesRoot, own[k]->path, (planned.missingKeys & (1u << k)) != 0});
    }
    const std::vector<ComValue> values = comValues(keys);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (planned.comDiffers & (1u << i)) {
            writeTo(unit, classesRoot, values[i].key)
                .set.push_back(textValue(values[i].name, values[i].text));
        }
    }
    if (found == nullptr || planned.progIdKeysGo == 0) {
        return;
    }
    const std::vector<std::wstring> rewritten = keys.leavesFirst();
    const ClassKeys oldKeys = classKeys(std::wstring(textOr(*found, recordValue::progId)), name);
    const std::vector<const OwnKey*> leaving = oldKeys.progIdKeys();
    for (std::size_t k = 0; k < leaving.size(); ++k) {
        if ((planned.progIdKeysGo & (1u << k)) == 0) {
            continue;
        }
        unit.owned.push_back({classesRoot, leaving[k]->path, false});
        for (const std::wstring& key : keysLeavesFirst({leaving[k]})) {
            if (!containsKey(rewritten, key)) {
                unit.writes.push_back({classesRoot, key, true, {}, {}});
            }
        }
    }
}

}  // namespace volmora::config
