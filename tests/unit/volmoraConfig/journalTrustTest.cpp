// Whom a journal's folder and file may belong to, and who may write them.
#include <gtest/gtest.h>

#include "host/journalStore.h"
#include "host/journalTrust.h"

namespace volmora::testing {
namespace {

using config::AccessEntry;
using config::ObjectSecurity;

const std::wstring system = L"S-1-5-18";
const std::wstring administrators = L"S-1-5-32-544";
const std::wstring users = L"S-1-5-32-545";
const std::wstring someone = L"S-1-5-21-1-2-3-1001";
constexpr std::uint32_t fullControl = 0x1F01FF;
constexpr std::uint32_t readAndExecute = 0x1200A9;

AccessEntry allow(const std::wstring& sid, std::uint32_t mask) {
    return {true, false, sid, mask};
}

TEST(JournalTrust, OnlyAdministratorsAndSystemOwnOrWrite) {
    const std::vector<AccessEntry> asMade = {allow(system, fullControl),
                                             allow(administrators, fullControl),
                                             allow(users, readAndExecute)};
    struct Case {
        const char* what;
        ObjectSecurity security;
        std::wstring why;
    };
    const Case cases[] = {
        {"as the store makes it", {administrators, true, asMade}, L""},
        {"owned by SYSTEM", {system, true, asMade}, L""},
        {"an empty access list: no one may do anything", {administrators, true, {}}, L""},
        {"owned by a user",
         {someone, true, asMade},
         L"It is owned by " + someone + L", not by Administrators or SYSTEM."},
        {"owned by no one",
         {L"", true, asMade},
         L"It is owned by no one, not by Administrators or SYSTEM."},
        {"no access list",
         {administrators, false, {}},
         L"It has no access list, so everyone may write it."},
        {"users may append",
         {administrators, true, {allow(system, fullControl), allow(users, 0x4)}},
         L"It may be written by " + users + L" (access 0x4)."},
        {"a user may change the access list",
         {system, true, {allow(someone, 0x40000)}},
         L"It may be written by " + someone + L" (access 0x40000)."},
        {"a user may delete it",
         {system, true, {allow(someone, 0x10000)}},
         L"It may be written by " + someone + L" (access 0x10000)."},
        {"generic write",
         {system, true, {allow(users, 0x40000000)}},
         L"It may be written by " + users + L" (access 0x40000000)."},
        {"an entry whose account is not a plain one",
         {system, true, {allow(L"", 0x2)}},
         L"It may be written by an unnamed account (access 0x2)."},
        {"a deny entry grants nothing", {system, true, {{false, false, users, fullControl}}}, L""},
        {"an entry only for what is made inside",
         {system, true, {{true, true, L"S-1-3-0", fullControl}}},
         L""},
        {"reading is allowed to anyone", {system, true, {allow(L"S-1-1-0", readAndExecute)}}, L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(config::distrust(c.security), c.why) << c.what;
    }
}

}  // namespace
}  // namespace volmora::testing
