// The planner: for each record of the file the values to set and delete, for each class the COM
// keys that registration writes, and for each class that goes or takes another ProgID the keys it
// leaves, as the record rules say.
#include "applyPlanner.h"

#include <algorithm>

#include "classKeys.h"
#include "classRecord.h"
#include "configFile.h"
#include "keptRecords.h"
#include "recordPaths.h"
#include "toolText.h"
#include "utf16.h"

namespace volmora::config {

namespace {

constexpr std::wstring_view noValue = L"(none)";
constexpr std::wstring_view notText = L"(not REG_SZ)";

std::wstring textOr(const Record& record, std::wstring_view name) {
    const std::wstring* text = findValue(record, name);
    return text ? *text : std::wstring();
}

SavedValue textValue(std::wstring_view name, const std::wstring& text) {
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

ReadFailure comReadFailure(const ComValueRead& found, const std::wstring& key) {
    return {found.code, L"Can't read " + quoted(L"HKEY_CLASSES_ROOT\\" + key) + L" key"};
}

bool containsKey(const std::vector<std::wstring>& keys, const std::wstring& key) {
    return std::any_of(keys.begin(), keys.end(),
                       [&](const std::wstring& k) { return sameName(k, key); });
}

class Planner {
  public:
    Planner(const Configuration& file, const Machine& machine, bool prune,
            const std::wstring& libraryPath, ComState& com, Plan& plan)
        : file_(file),
          machine_(machine),
          prune_(prune),
          libraryPath_(libraryPath),
          com_(com),
          plan_(plan),
          kept_(keptClasses(file, machine, prune)) {}

    ReadFailure run() {
        for (const Collection collection : allCollections) {
            for (const Record& wanted : file_.records(collection)) {
                if (ReadFailure failure = planRecord(collection, wanted); failure.code) {
                    return failure;
                }
            }
        }
        if (!prune_) {
            return {};
        }
        for (const Collection collection :
             {Collection::classes, Collection::servers, Collection::jvms}) {
            for (const Record& found : machine_.own.records(collection)) {
                if (findRecord(file_.records(collection), found.name) == nullptr) {
                    if (ReadFailure failure = planRemoval(collection, found); failure.code) {
                        return failure;
                    }
                }
            }
        }
        return {};
    }

  private:
    ReadFailure planRecord(Collection collection, const Record& wanted) {
        const Record* found = findRecord(machine_.own.records(collection), wanted.name);
        RecordChange change{collection,
                            found ? ChangeKind::change : ChangeKind::add,
                            found ? found->name : wanted.name,
                            {},
                            {}};
        KeyWrite record{
            localMachine, recordPath(collectionKey(collection), change.name), false, {}, {}};
        for (const Value& value : wanted.values) {
            const Value* current = found ? findNamedValue(*found, value.name) : nullptr;
            if (current == nullptr || current->text != value.text) {
                // A value that is there keeps its name, as the key does.
                record.set.push_back(textValue(current ? current->name : value.name, value.text));
                change.details.push_back(value.name + L": " +
                                         (current ? quoted(current->text) : std::wstring(noValue)) +
                                         L" -> " + quoted(value.text));
            }
        }
        if (found != nullptr) {
            for (const Value& value : found->values) {
                if (findValue(wanted, value.name) == nullptr) {
                    record.unset.push_back(value.name);
                    change.details.push_back(value.name + L": " + quoted(value.text) + L" -> " +
                                             std::wstring(noValue));
                }
            }
        }
        const std::size_t firstWrite = plan_.writes.size();
        if (found == nullptr || !record.set.empty() || !record.unset.empty()) {
            plan_.writes.push_back(std::move(record));
        }
        if (collection == Collection::classes) {
            change.progId = textOr(wanted, recordValue::progId);
            if (ReadFailure failure = planComKeys(found, change); failure.code) {
                return failure;
            }
        }
        if (plan_.writes.size() > firstWrite) {
            plan_.records.push_back(std::move(change));
        }
        return {};
    }

    // The COM values registration writes for the class, where they differ, then the keys of its
    // old ProgID that it leaves.
    ReadFailure planComKeys(const Record* found, RecordChange& change) {
        const ClassKeys keys = classKeys(change.progId, change.name, libraryPath_);
        for (const ComValue& wanted : comValues(keys)) {
            const ComValueRead current = com_.value(wanted.key, wanted.name);
            if (current.kind == ComValueRead::Kind::failed) {
                return comReadFailure(current, wanted.key);
            }
            if (comValueMatches(wanted, current)) {
                continue;
            }
            writeTo(classesRoot, wanted.key).set.push_back(textValue(wanted.name, wanted.text));
            change.details.push_back(comKeyLabel(wanted.key, wanted.name) + L": " + shown(current) +
                                     L" -> " + quoted(wanted.text));
        }
        if (found == nullptr) {
            return {};
        }
        const std::wstring oldProgId = textOr(*found, recordValue::progId);
        if (oldProgId.empty() || sameName(oldProgId, change.progId)) {
            return {};
        }
        const std::vector<std::wstring> written = keys.leavesFirst();
        const ClassKeys oldKeys = classKeys(oldProgId, change.name);
        for (const OwnKey* own : oldKeys.progIdKeys()) {
            // A key that the new ProgID owns too is made what registration writes for it; one of
            // the old ProgID's alone goes as removal takes it.
            bool goes = containsKey(written, own->path);
            if (!goes) {
                if (ReadFailure failure = leftToNoOne(*own, change.name, goes); failure.code) {
                    return failure;
                }
            }
            if (goes) {
                for (const std::wstring& key : keysLeavesFirst({own})) {
                    if (!containsKey(written, key)) {
                        removeKey(key, change);
                    }
                }
            }
        }
        return {};
    }

    // Whether a ProgID key that class clsid leaves goes: it leads to that class, and no class
    // that stays owns it (the other view's record of the same class among them).
    ReadFailure leftToNoOne(const OwnKey& own, const std::wstring& clsid, bool& goes) {
        goes = false;
        for (const ProgIdKeyOwners::Owner* owner : kept_.ownersOf(own.path)) {
            if (keptIn(*owner) != KeptIn::file || !sameName(owner->clsid, clsid)) {
                return {};
            }
        }
        const std::wstring pointer = classPointerOf(own);
        const ComValueRead leadsTo = com_.value(pointer, {});
        if (leadsTo.kind == ComValueRead::Kind::failed) {
            return comReadFailure(leadsTo, pointer);
        }
        goes = leadsToClass(leadsTo, clsid);
        return {};
    }

    // A class that the file does not name goes as the program's /u takes it: its COM keys, the
    // ProgID keys that no one else keeps, then the record.
    ReadFailure planRemoval(Collection collection, const Record& found) {
        RecordChange change{collection, ChangeKind::remove, found.name, {}, {}};
        if (collection == Collection::classes) {
            change.progId = textOr(found, recordValue::progId);
            const ClassKeys keys = classKeys(change.progId, found.name);
            std::vector<const OwnKey*> going{&keys.comClass};
            if (!change.progId.empty()) {
                for (const OwnKey* own : keys.progIdKeys()) {
                    bool goes = false;
                    if (ReadFailure failure = leftToNoOne(*own, found.name, goes); failure.code) {
                        return failure;
                    }
                    if (goes) {
                        going.push_back(own);
                    }
                }
            }
            for (const std::wstring& key : keysLeavesFirst(going)) {
                plan_.writes.push_back({classesRoot, key, true, {}, {}});
            }
        }
        plan_.writes.push_back(
            {localMachine, recordPath(collectionKey(collection), found.name), true, {}, {}});
        plan_.records.push_back(std::move(change));
        return {};
    }

    // The write to key below root: the last one when it is that key's, so that the values of
    // one key go in one write.
    KeyWrite& writeTo(KeyHandle root, const std::wstring& key) {
        if (plan_.writes.empty() || plan_.writes.back().root != root ||
            plan_.writes.back().remove || plan_.writes.back().path != key) {
            plan_.writes.push_back({root, key, false, {}, {}});
        }
        return plan_.writes.back();
    }

    void removeKey(const std::wstring& key, RecordChange& change) {
        plan_.writes.push_back({classesRoot, key, true, {}, {}});
        change.details.push_back(comKeyLabel(key) + L": deleted");
    }

    const Configuration& file_;
    const Machine& machine_;
    bool prune_;
    const std::wstring& libraryPath_;
    ComState& com_;
    Plan& plan_;
    ProgIdKeyOwners kept_;
};

}  // namespace

std::size_t Plan::count(ChangeKind kind) const {
    return static_cast<std::size_t>(
        std::count_if(records.begin(), records.end(),
                      [&](const RecordChange& change) { return change.kind == kind; }));
}

ReadFailure makePlan(const Configuration& file, const Machine& machine, bool prune,
                     const std::wstring& libraryPath, ComState& com, Plan& plan) {
    plan = {};
    return Planner(file, machine, prune, libraryPath, com, plan).run();
}

}  // namespace volmora::config
