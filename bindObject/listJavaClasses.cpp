// bindObject /l: every class record with its values and the in-process server that COM has
// registered for its CLSID, shown in the listing window.
#include "bindObject.h"
#include "classBlock.h"
#include "recordPaths.h"
#include "recordWalk.h"
#include "regUtil.h"
#include "toolText.h"

namespace volmora {

namespace {

constexpr std::wstring_view noClassesText = L"No classes registered";

// The record's own values; a missing ServerId is empty, any other missing value a placeholder.
ClassRecord readClassRecord(Registry& registry, KeyHandle record) {
    const std::wstring missing(missingValue);
    ClassRecord values;
    auto text = [&](std::wstring_view name, const std::wstring& fallback) {
        return namedTextOr(registry, record, std::wstring(name), fallback);
    };
    values.progId = text(recordValue::progId, missing);
    values.javaClassName = text(recordValue::javaClassName, missing);
    values.jvmId = text(recordValue::jvmId, missing);
    values.serverId = text(recordValue::serverId, L"");
    return values;
}

// The server COM loads for the class, from the class's own COM registration.
std::wstring inprocServerPath(Registry& registry, const std::wstring& clsid) {
    std::wstring path;
    if (getKeyDefaultValue(registry, classesRoot, L"CLSID\\" + clsid + L"\\InprocServer32", path) !=
        status::success) {
        return std::wstring(missingValue);
    }
    return path;
}

}  // namespace

void listJavaClasses(Tool& tool) {
    Registry& registry = tool.registry();
    RegKey classes(registry);
    if (classes.open(localMachine, recordsPath(recordCollection::classes), KeyAccess::read) !=
        status::success) {
        tool.showInfo(std::wstring(noClassesText));
        return;
    }
    std::wstring listing;
    WalkEnd end = walkRecords(registry, classes.handle(), UnopenedRecord::stop,
                              [&](const std::wstring& clsid, RegKey& record) {
                                  ClassRecord values = readClassRecord(registry, record.handle());
                                  record.close();
                                  values.inprocServer = inprocServerPath(registry, clsid);
                                  appendClassBlock(listing, clsid, values);
                                  return true;
                              });
    if (reportWalkFailure(tool, end, recordCollection::classes)) {
        return;
    }
    classes.close();
    if (listing.empty()) {
        tool.showInfo(std::wstring(noClassesText));
        return;
    }
    tool.listings().open(std::wstring(classListingTitle), listing);
}

}  // namespace volmora
