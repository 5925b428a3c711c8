// Unregisters a Java class by its ProgID: finds the class record that carries the ProgID,
// deletes it, then deletes the COM class and ProgID keys, leaves first.
#include "bindObject.h"
#include "regUtil.h"
#include "toolText.h"

namespace volmora {

namespace {

// The outcome of the search over the class records.
enum class Search { found, notFound, failed };

void showFailure(const Tool& tool, const std::wstring& prefix, long code) {
    tool.showError(errorText(prefix, code));
}

// Walks the records in enumeration order and deletes the first whose ProgId equals progId
// exactly; clsid receives that record's name.
Search removeClassRecord(Tool& tool, RegKey& records, const std::wstring& progId,
                         std::wstring& clsid) {
    Registry& registry = tool.registry();
    for (std::uint32_t index = 0;; ++index) {
        std::wstring name;
        long result = registry.enumKey(records.handle(), index, name);
        if (result == status::noMoreItems) {
            return Search::notFound;
        }
        if (result != status::success) {
            showFailure(tool, L"Can't enumerate CLSIDs: ", result);
            return Search::failed;
        }
        RegKey record(registry);
        result = record.open(records.handle(), name, KeyAccess::read);
        if (result != status::success) {
            showFailure(tool, L"Can't open " + quoted(name) + L" key: ", result);
            return Search::failed;
        }
        RegValue value;
        result = getNamedValue(registry, record.handle(), std::wstring(recordValue::progId), value);
        if (result != status::success) {
            showFailure(tool, L"Can't get ProgId registry value: ", result);
            return Search::failed;
        }
        record.close();
        const auto* text = std::get_if<std::wstring>(&value);
        if (text == nullptr || *text != progId) {
            continue;
        }
        result = registry.deleteKey(records.handle(), name);
        if (result != status::success) {
            showFailure(tool, L"Can't delete " + quoted(name) + L" key: ", result);
            return Search::failed;
        }
        clsid = std::move(name);
        return Search::found;
    }
}

// Deletes the COM keys of the class, leaves first. A key that is already gone counts as
// deleted, so that a class whose registration stopped halfway can still be removed whole.
bool removeComKeys(Tool& tool, const std::wstring& progId, const std::wstring& clsid) {
    const std::wstring comClass = L"CLSID\\" + clsid;
    const std::wstring versioned = progId + L".1";
    const std::wstring keys[] = {
        comClass + L"\\InprocServer32",
        comClass + L"\\ProgId",
        comClass,
        progId + L"\\CLSID",
        progId + L"\\CurVer",
        progId,
        versioned + L"\\CLSID",
        versioned,
    };
    for (const auto& key : keys) {
        long result = tool.registry().deleteKey(classesRoot, key);
        if (result != status::success && result != status::fileNotFound) {
            showFailure(tool, L"Can't delete " + key + L" key: ", result);
            return false;
        }
    }
    return true;
}

}  // namespace

void unregisterJavaClass(Tool& tool, const std::wstring& progId) {
    RegKey records(tool.registry());
    if (records.open(localMachine, recordsPath(recordCollection::classes), KeyAccess::allAccess) !=
        status::success) {
        tool.showError(L"Class " + quoted(progId) + L" isn't registered");
        return;
    }
    std::wstring clsid;
    Search search = removeClassRecord(tool, records, progId, clsid);
    records.close();
    if (search == Search::failed) {
        return;
    }
    if (search == Search::notFound) {
        tool.showError(L"Class " + quoted(progId) + L" isn't registered.");
        return;
    }
    if (removeComKeys(tool, progId, clsid)) {
        tool.showInfo(L"Class " + quoted(progId) + L" successfully unregistered.");
    }
}

}  // namespace volmora
