// Refusals, the plan and its writes. The names of values and keys come from the programs'
// headers: the class record's values from bindObject, the COM keys from its classKeys, the JVM
// options rule from bindRuntime.
#include "applyPlan.h"

#include <algorithm>

#include "arguments.h"
#include "bindObject.h"
#include "bindRuntime.h"
#include "configFile.h"
#include "progIdSharing.h"
#include "recordPaths.h"
#include "regUtil.h"
#include "toolText.h"

namespace volmora::config {

namespace {

// The longest key name and value name the registry takes.
constexpr std::size_t maxKeyName = 255;
constexpr std::size_t maxValueName = 16383;
constexpr std::wstring_view noValue = L"(none)";
constexpr std::wstring_view versionedProgIdSuffix = L".1";

std::wstring recordTitle(Collection collection, const std::wstring& name,
                         const std::wstring& progId) {
    std::wstring title = std::wstring(recordNoun(collection)) + L" " + name;
    if (collection == Collection::classes && !progId.empty()) {
        title += L" (" + progId + L")";
    }
    return title;
}

std::wstring shown(const std::optional<std::wstring>& text) {
    return text ? quoted(*text) : std::wstring(noValue);
}

std::wstring textOr(const Record& record, std::wstring_view name) {
    const std::wstring* text = findValue(record, name);
    return text ? *text : std::wstring();
}

// Whether a key name stands alone in a path and fits the registry.
bool keyNameFits(std::wstring_view name, std::size_t reserve = 0) {
    return keyNameStatus(name) == status::success && name.size() + reserve <= maxKeyName;
}

void refuseRecord(std::vector<std::wstring>& out, Collection collection, const Record& record,
                  const std::wstring& why) {
    out.push_back(std::wstring(recordNoun(collection)) + L" " + quoted(record.name) + L": " + why);
}

// A reference from a class to a record that will be there after apply.
bool willExist(const Configuration& file, const Machine& machine, bool prune, Collection collection,
               std::wstring_view name) {
    return findRecord(file.records(collection), name) != nullptr ||
           (!prune && findRecord(machine.own.records(collection), name) != nullptr);
}

void refuseClass(std::vector<std::wstring>& out, const Configuration& file, const Machine& machine,
                 const ProgIdsInUse& otherView, bool prune, const Record& record) {
    const auto refuse = [&](const std::wstring& why) {
        refuseRecord(out, Collection::classes, record, why);
    };
    for (const std::wstring_view needed :
         {recordValue::progId, recordValue::javaClassName, recordValue::jvmId}) {
        if (findValue(record, needed) == nullptr) {
            refuse(L"no " + quoted(needed) + L" value.");
        }
    }
    if (const std::wstring* progId = findValue(record, recordValue::progId)) {
        if (!keyNameFits(*progId, versionedProgIdSuffix.size())) {
            refuse(L"ProgId " + quoted(*progId) + L" cannot name a registry key.");
        }
        for (const std::wstring& owner : otherView.ownersOf(*progId)) {
            if (!sameName(owner, record.name)) {
                refuse(L"ProgId " + quoted(*progId) + L" belongs to class " + quoted(owner) +
                       L" of the other registry view, which shares the ProgID keys.");
                break;
            }
        }
    }
    const std::pair<std::wstring_view, Collection> references[] = {
        {recordValue::jvmId, Collection::jvms}, {recordValue::serverId, Collection::servers}};
    for (const auto& [valueName, collection] : references) {
        const std::wstring* target = findValue(record, valueName);
        if (target != nullptr && !willExist(file, machine, prune, collection, *target)) {
            refuse(std::wstring(valueName) + L" " + quoted(*target) + L" names no " +
                   std::wstring(recordNoun(collection)) + L" record.");
        }
    }
}

// Two classes of the file whose ProgIDs name the same keys would undo each other's.
void refuseSharedProgIds(std::vector<std::wstring>& out, const Configuration& file) {
    std::vector<std::pair<std::wstring, const Record*>> byProgId;
    for (const Record& record : file.classes) {
        if (const std::wstring* progId = findValue(record, recordValue::progId)) {
            byProgId.emplace_back(*progId, &record);
        }
    }
    std::stable_sort(byProgId.begin(), byProgId.end(),
                     [](const auto& a, const auto& b) { return configLess(a.first, b.first); });
    for (std::size_t i = 1; i < byProgId.size(); ++i) {
        if (usesProgIdKeys(byProgId[i - 1].first, byProgId[i].first)) {
            out.push_back(L"classes " + quoted(byProgId[i - 1].second->name) + L" and " +
                          quoted(byProgId[i].second->name) + L" carry one ProgId " +
                          quoted(byProgId[i].first) + L".");
        }
    }
}

// Reads one COM value: nullopt when its key or the value is missing or not text.
long readComValue(Registry& registry, const ComValue& value, std::optional<std::wstring>& found) {
    found.reset();
    if (value.name.empty()) {
        std::wstring text;
        const long result = getKeyDefaultValue(registry, classesRoot, value.key, text);
        if (result == status::success) {
            found = std::move(text);
        }
        return result == status::fileNotFound ? status::success : result;
    }
    RegKey key(registry);
    long result = key.open(classesRoot, value.key, KeyAccess::read);
    if (result == status::success) {
        RegValue read;
        result = getNamedValue(registry, key.handle(), std::wstring(value.name), read);
        if (const auto* text = std::get_if<std::wstring>(&read);
            result == status::success && text) {
            found = *text;
        }
    }
    return result == status::fileNotFound || result == unsupportedType ? status::success : result;
}

ReadFailure comReadFailure(long code, const std::wstring& key) {
    return {code, L"Can't read " + quoted(L"HKEY_CLASSES_ROOT\\" + key) + L" key"};
}

class Planner {
  public:
    Planner(Registry& registry, const Configuration& file, const Machine& machine, bool prune,
            const std::wstring& libraryPath)
        : registry_(registry),
          file_(file),
          machine_(machine),
          prune_(prune),
          libraryPath_(libraryPath) {
        // The ProgIDs of every class record kept after apply, in either view.
        for (const Record& record : file.classes) {
            kept_.add(textOr(record, recordValue::progId));
        }
        if (!prune) {
            for (const Record& record : machine.own.classes) {
                if (findRecord(file.classes, record.name) == nullptr) {
                    kept_.add(textOr(record, recordValue::progId));
                }
            }
        }
        for (const Record& record : machine.otherClasses) {
            kept_.add(textOr(record, recordValue::progId));
        }
    }

    ReadFailure plan(Plan& plan) {
        for (const Collection collection : allCollections) {
            for (const Record& wanted : file_.records(collection)) {
                if (ReadFailure failure = planRecord(collection, wanted, plan); failure.code) {
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
                if (findRecord(file_.records(collection), found.name) != nullptr) {
                    continue;
                }
                RecordChange change;
                change.collection = collection;
                change.kind = ChangeKind::remove;
                change.name = found.name;
                if (collection == Collection::classes) {
                    change.progId = textOr(found, recordValue::progId);
                    bool withProgIdKeys = false;
                    if (ReadFailure failure =
                            progIdKeysGo(change.progId, found.name, withProgIdKeys);
                        failure.code) {
                        return failure;
                    }
                    const ClassKeys keys = classKeys(change.progId, found.name);
                    change.comDeletes = keys.leavesFirst(withProgIdKeys);
                    change.comKeys.push_back(keys.comClass.path);
                    if (withProgIdKeys) {
                        change.comKeys.push_back(keys.progId.path);
                        change.comKeys.push_back(keys.versioned.path);
                    }
                }
                plan.changes.push_back(std::move(change));
            }
        }
        return {};
    }

  private:
    // Whether the ProgID's keys go with a class that no longer carries it: they point to that
    // class, and no class record kept in either view carries the ProgID.
    ReadFailure progIdKeysGo(const std::wstring& progId, const std::wstring& clsid, bool& go) {
        go = false;
        if (progId.empty() || kept_.usesKeysOf(progId)) {
            return {};
        }
        const ClassKeys keys = classKeys(progId, clsid);
        std::optional<std::wstring> pointsTo;
        const ComValue pointer{
            keys.progId.path + L"\\" + std::wstring(keys.progId.defaults[0].subkey), L"", clsid};
        if (const long result = readComValue(registry_, pointer, pointsTo); result) {
            return comReadFailure(result, pointer.key);
        }
        go = pointsTo && sameName(*pointsTo, clsid);
        return {};
    }

    ReadFailure planRecord(Collection collection, const Record& wanted, Plan& plan) {
        const Record* found = findRecord(machine_.own.records(collection), wanted.name);
        RecordChange change;
        change.collection = collection;
        change.kind = found ? ChangeKind::change : ChangeKind::add;
        change.name = found ? found->name : wanted.name;
        for (const Value& value : wanted.values) {
            const Value* current = nullptr;
            if (found != nullptr) {
                const auto it =
                    std::find_if(found->values.begin(), found->values.end(),
                                 [&](const Value& v) { return sameName(v.name, value.name); });
                current = it == found->values.end() ? nullptr : &*it;
            }
            if (current == nullptr || current->text != value.text) {
                // A value that is there keeps its name, as the key does.
                change.setValues.push_back({current ? current->name : value.name, value.text});
                change.detail.push_back(value.name + L" " +
                                        (current ? quoted(current->text) : std::wstring(noValue)) +
                                        L" -> " + quoted(value.text));
            }
        }
        if (found != nullptr) {
            for (const Value& value : found->values) {
                if (findValue(wanted, value.name) == nullptr) {
                    change.deleteValues.push_back(value.name);
                    change.detail.push_back(value.name + L" " + quoted(value.text) + L" -> " +
                                            std::wstring(noValue));
                }
            }
        }
        if (collection == Collection::classes) {
            change.progId = textOr(wanted, recordValue::progId);
            if (ReadFailure failure = planComKeys(found, change); failure.code) {
                return failure;
            }
        }
        if (change.kind == ChangeKind::add || !change.setValues.empty() ||
            !change.deleteValues.empty() || !change.comWrites.empty() ||
            !change.oldProgIdDeletes.empty()) {
            plan.changes.push_back(std::move(change));
        }
        return {};
    }

    ReadFailure planComKeys(const Record* found, RecordChange& change) {
        const ClassKeys keys = classKeys(change.progId, change.name, libraryPath_);
        for (ComValue& wanted : comValues(keys)) {
            std::optional<std::wstring> current;
            if (const long result = readComValue(registry_, wanted, current); result) {
                return comReadFailure(result, wanted.key);
            }
            if (!current || *current != wanted.text) {
                if (change.kind == ChangeKind::change) {
                    change.detail.push_back(L"COM key " + wanted.key + L": " +
                                            (wanted.name.empty() ? std::wstring(L"default")
                                                                 : std::wstring(wanted.name)) +
                                            L" " + shown(current) + L" -> " + quoted(wanted.text));
                }
                change.comWrites.push_back({std::move(wanted), std::move(current)});
            }
        }
        if (!change.comWrites.empty()) {
            change.comKeys = {keys.comClass.path, keys.progId.path, keys.versioned.path};
        }
        if (found == nullptr) {
            return {};
        }
        const std::wstring oldProgId = textOr(*found, recordValue::progId);
        if (oldProgId.empty() || usesProgIdKeys(oldProgId, change.progId)) {
            return {};
        }
        bool go = false;
        if (ReadFailure failure = progIdKeysGo(oldProgId, found->name, go); failure.code) {
            return failure;
        }
        if (go) {
            const ClassKeys oldKeys = classKeys(oldProgId, found->name);
            change.oldProgIdDeletes = oldKeys.progIdKeysLeavesFirst();
            change.comKeys.push_back(oldKeys.progId.path);
            change.comKeys.push_back(oldKeys.versioned.path);
            change.detail.push_back(L"COM keys of ProgID " + quoted(oldProgId) + L" -> " +
                                    std::wstring(noValue));
        }
        return {};
    }

    Registry& registry_;
    const Configuration& file_;
    const Machine& machine_;
    bool prune_;
    const std::wstring& libraryPath_;
    ProgIdsInUse kept_;
};

ReadFailure stepFailure(long code, std::wstring step) {
    return {code, std::move(step)};
}

ReadFailure writeRecord(Registry& registry, const RecordChange& change) {
    const std::wstring path = recordPath(collectionKey(change.collection), change.name);
    RegKey key(registry);
    if (const long result = key.create(localMachine, path); result) {
        return stepFailure(result, L"Can't create " + quoted(change.name) + L" key");
    }
    for (const Value& value : change.setValues) {
        if (const long result = setNamedValue(registry, key.handle(), value.name, valueType::sz,
                                              RegValue(value.text));
            result) {
            return stepFailure(result, L"Can't set " + value.name + L" registry value");
        }
    }
    for (const std::wstring& name : change.deleteValues) {
        if (const long result = registry.deleteValue(key.handle(), name); result) {
            return stepFailure(result, L"Can't delete " + name + L" registry value");
        }
    }
    return {};
}

ReadFailure writeComValue(Registry& registry, const ComValue& value) {
    long result = status::success;
    if (value.name.empty()) {
        result = setKeyDefaultValue(registry, classesRoot, value.key, valueType::sz, value.text);
    } else {
        RegKey key(registry);
        result = key.create(classesRoot, value.key);
        if (result == status::success) {
            result = setNamedValue(registry, key.handle(), std::wstring(value.name), valueType::sz,
                                   RegValue(value.text));
        }
    }
    if (result != status::success) {
        return stepFailure(result,
                           L"Can't set " + value.key +
                               (value.name.empty() ? L"" : L"\\" + std::wstring(value.name)) +
                               L" registry value");
    }
    return {};
}

ReadFailure deleteKeys(Registry& registry, const std::vector<std::wstring>& keys) {
    std::wstring failedKey;
    if (const long result = deleteClassKeys(registry, keys, failedKey); result) {
        return stepFailure(result, L"Can't delete " + failedKey + L" key");
    }
    return {};
}

ReadFailure removeRecord(Registry& registry, const RecordChange& change) {
    if (ReadFailure failure = deleteKeys(registry, change.comDeletes); failure.code) {
        return failure;
    }
    const long result =
        registry.deleteKey(localMachine, recordPath(collectionKey(change.collection), change.name));
    if (result != status::success) {
        return stepFailure(result, L"Can't delete " + quoted(change.name) + L" key");
    }
    return {};
}

}  // namespace

std::vector<std::wstring> refusals(const Configuration& file, const Machine& machine, bool prune) {
    std::vector<std::wstring> out;
    ProgIdsInUse otherView;
    for (const Record& record : machine.otherClasses) {
        if (const std::wstring* progId = findValue(record, recordValue::progId)) {
            otherView.add(*progId, record.name);
        }
    }
    for (const Collection collection : allCollections) {
        for (const Record& record : file.records(collection)) {
            if (!keyNameFits(record.name)) {
                refuseRecord(out, collection, record,
                             L"the name cannot name a registry key (empty, holding a backslash, "
                             L"or longer than 255 characters).");
            }
            for (const Value& value : record.values) {
                if (value.name.size() > maxValueName) {
                    refuseRecord(out, collection, record,
                                 L"a value name is longer than 16383 characters.");
                }
            }
            if (collection == Collection::jvms) {
                if (const std::wstring* options = findValue(record, jvmOptionsValue)) {
                    const JvmOptionsFault fault = jvmOptionsFault(getArguments(L"", *options));
                    if (fault != JvmOptionsFault::none) {
                        refuseRecord(out, collection, record,
                                     std::wstring(jvmOptionsValue) + L": " +
                                         std::wstring(jvmOptionsFaultMessage(fault)) + L".");
                    }
                }
            }
            if (collection == Collection::classes) {
                refuseClass(out, file, machine, otherView, prune, record);
            }
        }
    }
    refuseSharedProgIds(out, file);
    return out;
}

ReadFailure checkWriteRights(Registry& registry) {
    std::wstring path = configurationRoot();
    for (;;) {
        RegKey key(registry);
        const long result = key.open(localMachine, path, KeyAccess::allAccess);
        const std::size_t parent = path.rfind(L'\\');
        if (result == status::fileNotFound && parent != std::wstring::npos) {
            path.resize(parent);
            continue;
        }
        if (result != status::success) {
            return {result, L"Can't open " + quoted(L"HKEY_LOCAL_MACHINE\\" + path) + L" key"};
        }
        break;
    }
    // Every class's COM key lies below the key that holds all COM classes.
    const std::wstring comClasses = classKeys(L"", L"").comClass.path;
    const std::wstring classesKey = comClasses.substr(0, comClasses.find(L'\\'));
    RegKey key(registry);
    if (const long result = key.open(classesRoot, classesKey, KeyAccess::allAccess); result) {
        return {result, L"Can't open " + quoted(L"HKEY_CLASSES_ROOT\\" + classesKey) + L" key"};
    }
    return {};
}

std::size_t Plan::count(ChangeKind kind) const {
    return static_cast<std::size_t>(
        std::count_if(changes.begin(), changes.end(),
                      [&](const RecordChange& change) { return change.kind == kind; }));
}

ReadFailure makePlan(Registry& registry, const Configuration& file, const Machine& machine,
                     bool prune, const std::wstring& libraryPath, Plan& plan) {
    plan = {};
    return Planner(registry, file, machine, prune, libraryPath).plan(plan);
}

std::vector<std::wstring> planLines(const Plan& plan) {
    if (plan.empty()) {
        return {L"No changes."};
    }
    std::vector<std::wstring> lines;
    for (const RecordChange& change : plan.changes) {
        const std::wstring title = recordTitle(change.collection, change.name, change.progId);
        switch (change.kind) {
            case ChangeKind::add:
                lines.push_back(L"+ " + title);
                break;
            case ChangeKind::change:
                for (const std::wstring& detail : change.detail) {
                    lines.push_back(L"~ " + title + L": " + detail);
                }
                break;
            case ChangeKind::remove:
                lines.push_back(L"- " + title);
                break;
        }
    }
    lines.push_back(
        L"Plan: " + decimal(static_cast<std::int64_t>(plan.count(ChangeKind::add))) + L" to add, " +
        decimal(static_cast<std::int64_t>(plan.count(ChangeKind::change))) + L" to change, " +
        decimal(static_cast<std::int64_t>(plan.count(ChangeKind::remove))) + L" to remove.");
    return lines;
}

std::vector<TouchedKey> touchedKeys(const Plan& plan) {
    std::vector<TouchedKey> keys;
    for (const RecordChange& change : plan.changes) {
        keys.push_back({localMachine, recordPath(collectionKey(change.collection), change.name)});
        if (change.collection != Collection::classes) {
            continue;
        }
        for (const std::wstring& path : change.comKeys) {
            keys.push_back({classesRoot, path});
        }
    }
    return keys;
}

ReadFailure executePlan(Registry& registry, const Plan& plan) {
    for (const RecordChange& change : plan.changes) {
        ReadFailure failure;
        if (change.kind == ChangeKind::remove) {
            failure = removeRecord(registry, change);
        } else {
            failure = writeRecord(registry, change);
            for (std::size_t i = 0; failure.code == 0 && i < change.comWrites.size(); ++i) {
                failure = writeComValue(registry, change.comWrites[i].wanted);
            }
            if (failure.code == 0) {
                failure = deleteKeys(registry, change.oldProgIdDeletes);
            }
        }
        if (failure.code != status::success) {
            return failure;
        }
    }
    return {};
}

}  // namespace volmora::config
