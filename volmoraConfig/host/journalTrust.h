// Whether a journal's folder or file may be trusted: the portable rule over the owner and access
// list that the journal store reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace volmora::config {

// One entry of an object's access list, as the system keeps it.
struct AccessEntry {
    bool allows = true;        // an entry of any type other than a deny entry grants its rights
    bool inheritOnly = false;  // applies to what is made inside the folder, not to the folder
    std::wstring sid;          // "S-1-5-18"; empty when the entry names no plain account
    std::uint32_t mask = 0;
};

// An object's owner and access list.
struct ObjectSecurity {
    std::wstring owner;   // "S-1-5-32-544"
    bool hasDacl = true;  // false: no access list, so everyone may do everything
    std::vector<AccessEntry> entries;
};

// Why a journal's folder or file cannot be trusted, as a sentence: its owner is neither
// Administrators nor SYSTEM, or an entry lets anyone else write, delete or re-secure it. Empty
// when it can.
std::wstring distrust(const ObjectSecurity& security);

}  // namespace volmora::config
