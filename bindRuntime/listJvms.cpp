// The listing of all JVM records, one block of three lines per record, in the listing window.
#include "bindRuntime.h"
#include "regUtil.h"

namespace volmora {

namespace {

constexpr std::wstring_view noRecordsMessage = L"No JVMs registered";
constexpr std::wstring_view listingTitle = L"Registered JVMs";
constexpr std::wstring_view missingValue = L"?? missing ??";
constexpr std::wstring_view enumerationFailedPrefix = L"Can't enumerate JVMs: ";

// "Can't open "<name>" key: ", the start of the message for a record that cannot be read.
std::wstring openFailedPrefix(const std::wstring& name) {
    return L"Can't open " + quoted(name) + L" key: ";
}

}  // namespace

void listJvms(Tool& tool) {
    Registry& registry = tool.registry();
    RegKey records(registry);
    if (records.open(localMachine, std::wstring(jvmRecordsPath), KeyAccess::read) !=
        status::success) {
        tool.showInfo(std::wstring(noRecordsMessage));
        return;
    }

    const std::wstring missing(missingValue);
    std::wstring listing;
    for (std::uint32_t index = 0;; ++index) {
        std::wstring name;
        long result = registry.enumKey(records.handle(), index, name);
        if (result == status::noMoreItems) {
            break;
        }
        if (result != status::success) {
            tool.showError(errorText(enumerationFailedPrefix, result));
            return;
        }
        RegKey record(registry);
        if (long opened = record.open(records.handle(), name, KeyAccess::read);
            opened != status::success) {
            tool.showError(errorText(openFailedPrefix(name), opened));
            return;
        }
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
    }
    records.close();

    if (listing.empty()) {
        tool.showInfo(std::wstring(noRecordsMessage));
    } else {
        tool.listings().open(std::wstring(listingTitle), listing);
    }
}

}  // namespace volmora
