// Listing: every server record, one block each, in the listing window.
#include "bindHost.h"
#include "recordPaths.h"
#include "recordWalk.h"
#include "regUtil.h"
#include "serverRecord.h"
#include "serverText.h"
#include "toolText.h"

namespace volmora {

namespace {

constexpr std::wstring_view listingTitle = L"Registered Servers";
constexpr std::wstring_view noServers = L"No servers registered";
constexpr std::wstring_view missingValue = L"?? missing ??";

}  // namespace

void listServers(Tool& tool) {
    Registry& registry = tool.registry();
    RegKey servers(registry);
    if (servers.open(localMachine, recordsPath(recordCollection::servers), KeyAccess::read) !=
        status::success) {
        tool.showInfo(std::wstring(noServers));
        return;
    }
    const std::wstring missing(missingValue);
    std::wstring listing;
    WalkEnd end = walkRecords(
        registry, servers.handle(), UnopenedRecord::stop,
        [&](const std::wstring& name, RegKey& record) {
            // A value that cannot be read shows the placeholder, which is never empty: a record
            // without Imports gets the third line, one with empty Imports does not.
            std::wstring classpath =
                namedTextOr(registry, record.handle(), std::wstring(classpathValueName), missing);
            std::wstring imports =
                namedTextOr(registry, record.handle(), std::wstring(importsValueName), missing);
            record.close();
            if (!listing.empty()) {
                listing += lineBreak;
            }
            listing += name;
            listing += L':';
            appendServerValues(listing, classpath, imports);
            return true;
        });
    if (reportWalkFailure(tool, end, recordCollection::servers)) {
        return;
    }
    servers.close();
    if (listing.empty()) {
        tool.showInfo(std::wstring(noServers));
        return;
    }
    tool.listings().open(std::wstring(listingTitle), listing);
}

}  // namespace volmora
