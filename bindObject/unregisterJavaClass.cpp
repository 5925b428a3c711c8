// Unregisters a Java class by its ProgID: finds the class record that carries the ProgID,
// deletes the COM class and ProgID keys, leaves first, and the record last, so that a run that
// stops halfway leaves the record for a second run to find and finish. The ProgID keys are
// shared by the 32-bit and the 64-bit registry views; they stay while the other build's record
// of a class with the same ProgID still uses them.
#include "bindObject.h"
#include "classKeys.h"
#include "recordWalk.h"
#include "regUtil.h"
#include "registrySteps.h"
#include "toolText.h"

namespace volmora {

namespace {

// Finds the first record in enumeration order whose ProgId equals progId exactly; clsid
// receives its key name and stays empty when there is none. A record that cannot be opened or has
// no readable ProgId cannot be the class asked for: it is passed over and left as it is.
WalkEnd findClassRecord(Registry& registry, const RegKey& records, const std::wstring& progId,
                        std::wstring& clsid, KeyAccess access = KeyAccess::read) {
    return walkRecords(
        registry, records.handle(), UnopenedRecord::passOver,
        [&](const std::wstring& name, RegKey& record) {
            RegValue value;
            getNamedValue(registry, record.handle(), std::wstring(recordValue::progId), value);
            const auto* text = std::get_if<std::wstring>(&value);
            if (text == nullptr || *text != progId) {
                return true;
            }
            clsid = name;
            return false;
        },
        access);
}

// Whether the other registry view holds a class record with that ProgID. Its absence there, or
// of the records' key, means no; any other failure ends the walk, so that nothing is deleted on a
// guess.
WalkEnd findInOtherView(Registry& registry, const std::wstring& progId, bool& found) {
    found = false;
    RegKey records(registry);
    const long result = records.open(localMachine, recordsPath(recordCollection::classes),
                                     KeyAccess::readOtherView);
    if (result == status::fileNotFound) {
        return {};
    }
    if (result != status::success) {
        return {result, false, {}};
    }
    std::wstring clsid;
    WalkEnd end = findClassRecord(registry, records, progId, clsid, KeyAccess::readOtherView);
    found = !clsid.empty();
    return end;
}

// Whether a failed deletion means that the key is not there: it is already gone, or the
// registry cannot name it (a ProgID too long for a key name), so it was never written.
bool keyAbsent(long result) {
    return result == status::fileNotFound || result == status::invalidParameter;
}

// Deletes the COM keys of the class, leaves first. A key that is absent counts as deleted, so
// that a class whose registration stopped halfway can still be removed whole.
bool removeComKeys(Tool& tool, const std::wstring& progId, const std::wstring& clsid,
                   bool withProgIdKeys) {
    for (const auto& key : classKeys(progId, clsid).leavesFirst(withProgIdKeys)) {
        long result = tool.registry().deleteKey(classesRoot, key);
        if (!keyAbsent(result) &&
            !stepSucceeded(tool, result, L"Can't delete " + key + L" key: ")) {
            return false;
        }
    }
    return true;
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
    if (reportWalkFailure(tool, findClassRecord(registry, records, progId, clsid),
                          recordCollection::classes)) {
        return;
    }
    if (clsid.empty()) {
        tool.showError(notRegistered + L".");
        return;
    }
    bool progIdKeysInUse = false;
    if (reportWalkFailure(tool, findInOtherView(registry, progId, progIdKeysInUse),
                          recordCollection::classes)) {
        return;
    }
    if (removeComKeys(tool, progId, clsid, !progIdKeysInUse) &&
        stepSucceeded(tool, registry.deleteKey(records.handle(), clsid),
                      L"Can't delete " + quoted(clsid) + L" key: ")) {
        tool.showInfo(L"Class " + quoted(progId) + L" successfully unregistered.");
    }
}

}  // namespace volmora
