// Removing records by name: a JVM's or server's key, and a class with its COM keys.
#include "recordRemoval.h"

#include <deque>
#include <variant>

#include "classKeys.h"
#include "classRecord.h"
#include "nameRules.h"
#include "progIdSharing.h"
#include "recordPaths.h"
#include "regUtil.h"

namespace volmora {

namespace {

// Finds the first record in enumeration order whose ProgId is progId; clsid receives its key name
// and stays empty when there is none. A record that cannot be opened or has no readable ProgId
// cannot be the class asked for: it is passed over and left as it is.
WalkEnd findClassRecord(Registry& registry, const RegKey& records, const std::wstring& progId,
                        std::wstring& clsid) {
    return walkRecords(registry, records.handle(), UnopenedRecord::passOver,
                       [&](const std::wstring& name, RegKey& record) {
                           RegValue value;
                           getNamedValue(registry, record.handle(),
                                         std::wstring(recordValue::progId), value);
                           const auto* text = std::get_if<std::wstring>(&value);
                           if (text == nullptr || *text != progId) {
                               return true;
                           }
                           clsid = name;
                           return false;
                       });
}

// Notes the class records of the other registry view, which share the ProgID keys, keeping their
// names in names. Their absence there, or of the records' key, leaves none; any other failure
// ends the walk, so that nothing is deleted on a guess.
WalkEnd readOtherView(Registry& registry, std::deque<std::wstring>& names,
                      ProgIdKeyOwners& owners) {
    RegKey records(registry);
    const long result = records.open(localMachine, recordsPath(recordCollection::classes),
                                     KeyAccess::readOtherView);
    if (result == status::fileNotFound) {
        return {};
    }
    if (result != status::success) {
        return {result, false, {}};
    }
    return walkRecords(
        registry, records.handle(), UnopenedRecord::passOver,
        [&](const std::wstring& name, RegKey& record) {
            RegValue value;
            getNamedValue(registry, record.handle(), std::wstring(recordValue::progId), value);
            if (const auto* progId = std::get_if<std::wstring>(&value)) {
                names.push_back(*progId);
                const std::wstring_view kept = names.back();
                names.push_back(name);
                owners.add(kept, names.back());
            }
            return true;
        },
        KeyAccess::readOtherView);
}

}  // namespace

long removeRecord(Registry& registry, std::wstring_view collection, const std::wstring& name) {
    if (const long named = keyNameStatus(name); named != status::success) {
        return named;
    }
    RegKey records(registry);
    if (const long opened =
            records.open(localMachine, recordsPath(collection), KeyAccess::allAccess);
        opened != status::success) {
        return opened;
    }
    return registry.deleteKey(records.handle(), name);
}

ClassRemoval removeClassByProgId(Registry& registry, const std::wstring& progId) {
    ClassRemoval removal;
    // A ProgID that is not one key name was never registered, and deleting by it would reach
    // other keys.
    if (keyNameStatus(progId) != status::success) {
        removal.end = ClassRemoval::End::badName;
        return removal;
    }
    RegKey records(registry);
    if (records.open(localMachine, recordsPath(recordCollection::classes), KeyAccess::allAccess) !=
        status::success) {
        removal.end = ClassRemoval::End::noRecords;
        return removal;
    }
    removal.walk = findClassRecord(registry, records, progId, removal.clsid);
    if (removal.walk.code != status::success) {
        removal.end = ClassRemoval::End::walkFailed;
        return removal;
    }
    if (removal.clsid.empty()) {
        removal.end = ClassRemoval::End::notFound;
        return removal;
    }
    std::deque<std::wstring> otherNames;
    ProgIdKeyOwners otherView;
    removal.walk = readOtherView(registry, otherNames, otherView);
    if (removal.walk.code != status::success) {
        removal.end = ClassRemoval::End::walkFailed;
        return removal;
    }
    const ClassKeys keys = classKeys(progId, removal.clsid);
    std::vector<const OwnKey*> going{&keys.comClass};
    for (const OwnKey* own : keys.progIdKeys()) {
        if (otherView.ownersOf(own->path).empty()) {
            going.push_back(own);
        } else {
            removal.keptKeys.push_back(own->path);
        }
    }
    removal.status = deleteClassKeys(registry, keysLeavesFirst(going), removal.failedKey);
    if (removal.status != status::success) {
        removal.end = ClassRemoval::End::keyNotDeleted;
        return removal;
    }
    removal.status = registry.deleteKey(records.handle(), removal.clsid);
    if (removal.status != status::success) {
        removal.end = ClassRemoval::End::recordNotDeleted;
    }
    return removal;
}

}  // namespace volmora
