// Unregisters a Java class by its ProgID: finds the class record that carries the ProgID,
// deletes the COM class and ProgID keys, leaves first, and the record last, so that a run that
// stops halfway leaves the record for a second run to find and finish. The ProgID keys are
// shared by the 32-bit and the 64-bit registry views; they stay while the other build's record
// of a class with the same ProgID still uses them.
#include "bindObject.h"
#include "classKeys.h"
#include "nameRules.h"
#include "progIdSharing.h"
#include "recordWalk.h"
#include "regUtil.h"
#include "registrySteps.h"
#include "toolText.h"

namespace volmora {

namespace {

// Finds the first record in enumeration order whose ProgId matches; clsid receives its key name
// and stays empty when there is none. A record that cannot be opened or has no readable ProgId
// cannot be the class asked for: it is passed over and left as it is.
template <typename Matches>
WalkEnd findClassRecord(Registry& registry, const RegKey& records, Matches matches,
                        std::wstring& clsid, KeyAccess access) {
    return walkRecords(
        registry, records.handle(), UnopenedRecord::passOver,
        [&](const std::wstring& name, RegKey& record) {
            RegValue value;
            getNamedValue(registry, record.handle(), std::wstring(recordValue::progId), value);
            const auto* text = std::get_if<std::wstring>(&value);
            if (text == nullptr || !matches(*text)) {
                return true;
            }
            clsid = name;
            return false;
        },
        access);
}

// Notes the class records of the other registry view, which share the ProgID keys. Their absence
// there, or of the records' key, leaves none; any other failure ends the walk, so that nothing is
// deleted on a guess.
WalkEnd readOtherView(Registry& registry, ProgIdKeyOwners& owners) {
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
                owners.add(*progId, name);
            }
            return true;
        },
        KeyAccess::readOtherView);
}

// Deletes the COM keys of the class, leaves first, but for the ProgID keys that the other view's
// records own.
bool removeComKeys(Tool& tool, const std::wstring& progId, const std::wstring& clsid,
                   const ProgIdKeyOwners& otherView) {
    const ClassKeys keys = classKeys(progId, clsid);
    std::vector<const OwnKey*> going{&keys.comClass};
    for (const OwnKey* own : keys.progIdKeys()) {
        if (otherView.ownersOf(own->path).empty()) {
            going.push_back(own);
        }
    }
    std::wstring failedKey;
    const long result = deleteClassKeys(tool.registry(), keysLeavesFirst(going), failedKey);
    return stepSucceeded(tool, result, L"Can't delete " + failedKey + L" key: ");
}

}  // namespace

void unregisterJavaClass(Tool& tool, const std::wstring& progId) {
    const std::wstring notRegistered = L"Class " + quoted(progId) + L" isn't registered";
    // A ProgID that is not one key name was never registered, and deleting by it would reach
    // other keys.
    if (keyNameStatus(progId) != status::success) {
        tool.showError(notRegistered + L".");
        return;
    }
    Registry& registry = tool.registry();
    RegKey records(registry);
    if (records.open(localMachine, recordsPath(recordCollection::classes), KeyAccess::allAccess) !=
        status::success) {
        tool.showError(notRegistered);
        return;
    }
    std::wstring clsid;
    // The program's own record is the one whose ProgId is the operand character for character.
    const auto sameText = [&](const std::wstring& recordProgId) { return recordProgId == progId; };
    if (reportWalkFailure(tool,
                          findClassRecord(registry, records, sameText, clsid, KeyAccess::read),
                          recordCollection::classes)) {
        return;
    }
    if (clsid.empty()) {
        tool.showError(notRegistered + L".");
        return;
    }
    ProgIdKeyOwners otherView;
    if (reportWalkFailure(tool, readOtherView(registry, otherView), recordCollection::classes)) {
        return;
    }
    if (removeComKeys(tool, progId, clsid, otherView) &&
        stepSucceeded(tool, registry.deleteKey(records.handle(), clsid),
                      L"Can't delete " + quoted(clsid) + L" key: ")) {
        tool.showInfo(L"Class " + quoted(progId) + L" successfully unregistered.");
    }
}

}  // namespace volmora
