// The refusals of apply. What each record must hold and may be comes from the record rules; what
// stays after the apply, from keptRecords.
#include "plan/applyRefusals.h"

#include <algorithm>

#include "classComState.h"
#include "classKeys.h"
#include "classRecord.h"
#include "jvmRecord.h"
#include "nameRules.h"
#include "plan/keptRecords.h"
#include "progIdOwnership.h"
#include "recordPaths.h"
#include "serverRecord.h"
#include "toolText.h"

namespace volmora::config {

namespace {

class Refusals {
  public:
    Refusals(const Configuration& file, const Machine& machine, bool prune)
        : file_(file), machine_(machine), prune_(prune), kept_(keptClasses(file, machine, prune)) {}

    std::vector<std::wstring> run() {
        for (const Collection collection : allCollections) {
            for (const Record& record : file_.records(collection)) {
                checkRecord(collection, record);
            }
        }
        return std::move(out_);
    }

  private:
    void refuse(Collection collection, const Record& record, const std::wstring& why) {
        out_.push_back(std::wstring(recordNoun(collection)) + L" " + quoted(record.name) + L": " +
                       why);
    }

    void checkRecord(Collection collection, const Record& record) {
        if (const std::wstring fault = keyNameFault(record.name); !fault.empty()) {
            refuse(collection, record,
                   L"the name " + fault + L", so it cannot name a registry key.");
        }
        for (const Value& value : record.values) {
            if (const std::wstring fault = valueNameFault(value.name); !fault.empty()) {
                refuse(collection, record, L"a value name " + fault + L".");
            } else if (const std::wstring textFault = valueTextFault(value.text);
                       !textFault.empty()) {
                refuse(collection, record,
                       L"value " + quoted(value.name) + L" " + textFault + L".");
            }
        }
        for (const std::wstring_view needed : requiredValues(collection)) {
            if (findValue(record, needed) == nullptr) {
                refuse(collection, record, L"no " + quoted(needed) + L" value.");
            }
        }
        switch (collection) {
            case Collection::jvms:
                checkJvm(record);
                break;
            case Collection::servers:
                checkServer(record);
                break;
            case Collection::classes:
                checkClass(record);
                break;
        }
    }

    void checkJvm(const Record& record) {
        if (const std::wstring_view* options = findValue(record, jvmOptionsValue)) {
            if (const JvmOptionsFault fault = storedJvmOptionsFault(std::wstring(*options));
                fault != JvmOptionsFault::none) {
                refuse(Collection::jvms, record,
                       std::wstring(jvmOptionsValue) + L": " +
                           std::wstring(jvmOptionsFaultMessage(fault)) + L".");
            }
        }
    }

    void checkServer(const Record& record) {
        if (const std::wstring_view* imports = findValue(record, importsValueName)) {
            for (const std::wstring& imported : importedServers(*imports)) {
                if (!staysAfterApply(file_, machine_, prune_, Collection::servers, imported)) {
                    refuse(Collection::servers, record,
                           std::wstring(importsValueName) + L" names no server record " +
                               quoted(imported) + L".");
                }
            }
        }
    }

    void checkReference(const Record& record, std::wstring_view valueName, Collection target) {
        const std::wstring_view* name = findValue(record, valueName);
        if (name == nullptr || (target == Collection::servers && !namesServer(*name))) {
            return;
        }
        if (!staysAfterApply(file_, machine_, prune_, target, *name)) {
            refuse(Collection::classes, record,
                   std::wstring(valueName) + L" " + quoted(*name) + L" names no " +
                       std::wstring(recordNoun(target)) + L" record.");
        }
    }

    void checkClass(const Record& record) {
        if (!isBracedGuid(record.name)) {
            refuse(Collection::classes, record,
                   L"the CLSID is not a GUID in braces, so COM cannot use it.");
        }
        checkReference(record, recordValue::jvmId, Collection::jvms);
        checkReference(record, recordValue::serverId, Collection::servers);
        const std::wstring_view* progId = findValue(record, recordValue::progId);
        if (progId == nullptr) {
            return;
        }
        if (const std::wstring fault = keyNameFault(*progId, versionSuffix.size());
            !fault.empty()) {
            refuse(Collection::classes, record,
                   L"ProgId " + quoted(*progId) + L" " + fault +
                       L", so it cannot name a registry key.");
            return;
        }
        for (const std::wstring& key : progIdKeyNames(*progId)) {
            if (!progIdKeyMayBeWritten(key)) {
                refuse(Collection::classes, record,
                       L"ProgId " + quoted(*progId) + L" names the key " +
                           quoted(fullKeyName(classesRoot, key)) + L", which " +
                           progIdKeyHolderText(ProgIdKeyHolder::system, {}) + L" keeps.");
                return;
            }
        }
        // One refusal for each class in the way, at the first key it owns.
        std::vector<const ProgIdKeyOwners::Owner*> inTheWay;
        for (const std::wstring& key : progIdKeyNames(*progId)) {
            for (const ProgIdKeyOwners::Owner* owner : kept_.ownersOf(key)) {
                if (!sameName(owner->clsid, record.name) &&
                    std::find(inTheWay.begin(), inTheWay.end(), owner) == inTheWay.end()) {
                    inTheWay.push_back(owner);
                    refuseTaking(record, *progId, key, *owner);
                }
            }
        }
    }

    // A class whose ProgID owns a key that a class with another CLSID, which stays, owns too.
    void refuseTaking(const Record& record, std::wstring_view progId, const std::wstring& key,
                      const ProgIdKeyOwners::Owner& owner) {
        const std::wstring taking = L"ProgId " + quoted(progId) + L" would take the key " +
                                    quoted(key) + L" of class " + quoted(owner.clsid);
        switch (keptIn(owner)) {
            case KeptIn::file:
                // Said once, for the first of the two in the file's order.
                if (configLess(record.name, owner.clsid)) {
                    out_.push_back(L"classes " + quoted(record.name) + L" and " +
                                   quoted(owner.clsid) + L" both own the ProgID key " +
                                   quoted(key) + L" (ProgIds " + quoted(progId) + L" and " +
                                   quoted(owner.progId) + L").");
                }
                break;
            case KeptIn::machine:
                refuse(Collection::classes, record,
                       taking +
                           L", which stays: name that class in the file with another "
                           L"ProgId, or use /prune to remove it.");
                break;
            case KeptIn::otherView:
                refuse(Collection::classes, record,
                       taking + L" of the other registry view, which shares the ProgID keys.");
                break;
        }
    }

    const Configuration& file_;
    const Machine& machine_;
    bool prune_;
    ProgIdKeyOwners kept_;
    std::vector<std::wstring> out_;
};

}  // namespace

std::vector<std::wstring> refusals(const Configuration& file, const Machine& machine, bool prune) {
    return Refusals(file, machine, prune).run();
}

ReadFailure heldProgIdKeys(const Configuration& file, const Machine& machine, RegistryComState& com,
                           std::vector<std::wstring>& out) {
    const auto bridgeClass = [&](std::wstring_view clsid) {
        return findRecord(machine.own.classes, clsid) != nullptr ||
               findRecord(machine.otherClasses(), clsid) != nullptr;
    };
    const auto unreadable = [](long code, const std::wstring& key) {
        return ReadFailure{code, L"Can't read " + quoted(fullKeyName(classesRoot, key)) + L" key"};
    };
    InOrderFinder onMachine(machine.own.classes);
    std::size_t newClasses = 0;
    for (const Record& record : file.classes) {
        newClasses += onMachine.find(record.name) == nullptr ? 1 : 0;
    }
    // The ProgID keys of new classes are seldom there: one listing answers for all of them.
    if (newClasses > 0) {
        com.expectKeyLooks({}, 2 * newClasses);
    }
    InOrderFinder known(machine.own.classes);
    for (const Record& record : file.classes) {
        const std::wstring_view* progId = findValue(record, recordValue::progId);
        if (progId == nullptr || progId->empty()) {
            continue;
        }
        const bool isNew = known.find(record.name) == nullptr;
        for (const std::wstring& key : progIdKeyNames(*progId)) {
            const std::wstring pointerKey =
                classPointerOf(classKeys(key, std::wstring(record.name)).progId);
            // A class on the machine mostly has its keys: its pointer is read first, and kept
            // for the planner, which compares it.
            ComValueRead pointer;
            long found = status::success;
            if (!isNew) {
                pointer = com.keptDefault(pointerKey);
                if (pointer.kind == ComValueRead::Kind::failed) {
                    return unreadable(pointer.code, pointerKey);
                }
            }
            if (isNew || pointer.kind == ComValueRead::Kind::keyMissing) {
                found = com.keyStatus(key);
                if (found != status::success && found != status::fileNotFound) {
                    return unreadable(found, key);
                }
                if (found == status::success && isNew) {
                    pointer = com.keptDefault(pointerKey);
                    if (pointer.kind == ComValueRead::Kind::failed) {
                        return unreadable(pointer.code, pointerKey);
                    }
                }
            }
            // A key without a class may still be empty: only then is it free.
            KeyPresence presence =
                found == status::success ? KeyPresence::holding : KeyPresence::absent;
            if (presence == KeyPresence::holding &&
                pointer.kind == ComValueRead::Kind::keyMissing) {
                std::vector<std::wstring> values;
                std::vector<std::wstring> subkeys;
                if (const long status = com.keyContents(key, values, subkeys); status) {
                    return unreadable(status, key);
                }
                if (values.empty() && subkeys.empty()) {
                    presence = KeyPresence::empty;
                }
            }
            // A key that leads to this very class is the file's to write, as it says.
            const ProgIdKeyHolder holder =
                leadsToClass(pointer, record.name)
                    ? ProgIdKeyHolder::bridge
                    : progIdKeyHolder(key, presence, pointer, bridgeClass);
            if (!isBridgeHeld(holder)) {
                out.push_back(std::wstring(recordNoun(Collection::classes)) + L" " +
                              quoted(record.name) + L": ProgId " + quoted(*progId) +
                              L" would take the key " + quoted(fullKeyName(classesRoot, key)) +
                              L", which belongs to " + progIdKeyHolderText(holder, pointer) + L".");
                break;
            }
        }
    }
    return {};
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
            return {result, L"Can't open " + quoted(fullKeyName(localMachine, path)) + L" key"};
        }
        break;
    }
    // Every class's COM key lies below the key that holds all COM classes.
    const std::wstring comClasses = classKeys(L"", L"").comClass.path;
    const std::wstring classesKey = comClasses.substr(0, comClasses.find(L'\\'));
    RegKey key(registry);
    if (const long result = key.open(classesRoot, classesKey, KeyAccess::allAccess); result) {
        return {result, L"Can't open " + quoted(fullKeyName(classesRoot, classesKey)) + L" key"};
    }
    return {};
}

}  // namespace volmora::config
