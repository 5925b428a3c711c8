// Whether a journal's folder or file may be trusted: owned by Administrators or SYSTEM, and
// writable by no one else.
#include "host/journalTrust.h"

#include "toolText.h"

namespace volmora::config {

namespace {

constexpr std::wstring_view systemSid = L"S-1-5-18";
constexpr std::wstring_view administratorsSid = L"S-1-5-32-544";

// The rights that change an object or what it holds: writing data or appending (adding a file
// or a folder, for a folder), writing extended attributes, deleting a child, writing attributes,
// deleting, changing the access list or the owner, and the generic rights that include them.
constexpr std::uint32_t writeData = 0x2;
constexpr std::uint32_t appendData = 0x4;
constexpr std::uint32_t writeExtendedAttributes = 0x10;
constexpr std::uint32_t deleteChild = 0x40;
constexpr std::uint32_t writeAttributes = 0x100;
constexpr std::uint32_t deleteObject = 0x10000;
constexpr std::uint32_t writeDac = 0x40000;
constexpr std::uint32_t writeOwner = 0x80000;
constexpr std::uint32_t genericAll = 0x10000000;
constexpr std::uint32_t genericWrite = 0x40000000;
constexpr std::uint32_t writeRights = writeData | appendData | writeExtendedAttributes |
                                      deleteChild | writeAttributes | deleteObject | writeDac |
                                      writeOwner | genericAll | genericWrite;

bool trusted(std::wstring_view sid) {
    return sid == systemSid || sid == administratorsSid;
}

}  // namespace

std::wstring distrust(const ObjectSecurity& security) {
    if (!trusted(security.owner)) {
        return L"It is owned by " + (security.owner.empty() ? L"no one" : security.owner) +
               L", not by Administrators or SYSTEM.";
    }
    if (!security.hasDacl) {
        return L"It has no access list, so everyone may write it.";
    }
    for (const AccessEntry& entry : security.entries) {
        if (entry.allows && !entry.inheritOnly && (entry.mask & writeRights) != 0 &&
            !trusted(entry.sid)) {
            return L"It may be written by " +
                   (entry.sid.empty() ? L"an unnamed account" : entry.sid) + L" (access 0x" +
                   hexNumber(static_cast<std::int32_t>(entry.mask)) + L").";
        }
    }
    return {};
}

}  // namespace volmora::config
