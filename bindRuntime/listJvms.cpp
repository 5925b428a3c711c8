// The listing of all JVM records, one block of three lines per record, in the listing window.
#include "bindRuntime.h"
#include "recordPaths.h"
#include "recordWalk.h"
#include "regUtil.h"

namespace volmora {

namespace {

constexpr std::wstring_view noRecordsMessage = L"No JVMs registered";
constexpr std::wstring_view listingTitle = L"Registered JVMs";
constexpr std::wstring_view missingValue = L"?? missing ??";

}  // namespace

void listJvms(Tool& tool) {
    Registry& registry = tool.registry();
    RegKey records(registry);
    if (records.open(localMachine, recordsPath(recordCollection::jvms), KeyAccess::read) !=
        status::success) {
        tool.showInfo(std::wstring(noRecordsMessage));
        return;
    }

    const std::wstring missing(missingValue);
    std::wstring listing;
    WalkEnd end = walkRecords(
        registry, records.handle(), UnopenedRecord::stop,
        [&](const std::wstring& name, RegKey& record) {
            std::wstring dllPath =
                namedTextOr(registry, record.handle(), std::wstring(dllPathValue), missing);
            std::wstring options =
                namedTextOr(registry, record.handle(), std::wstring(jvmOptionsValue), missing);
            record.close();
            if (!listing.empty()) {
                listing += lineBreak;
            }
            listing += name;
            listing += L':';
            listing += lineBreak;
            listing += jvmValueLines(dllPath, options);
            return true;
        });
    if (reportWalkFailure(tool, end, recordCollection::jvms)) {
        return;
    }
    records.close();

    if (listing.empty()) {
        tool.showInfo(std::wstring(noRecordsMessage));
    } else {
        tool.listings().open(std::wstring(listingTitle), listing);
    }
}

}  // namespace volmora
