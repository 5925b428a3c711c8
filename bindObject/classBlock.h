// One class's block of the class listing: the record's values under labels, as bindObject /l
// shows them and the benchmark's listing floor shows them too.
#pragma once

#include <string>
#include <string_view>

namespace volmora {

inline constexpr std::wstring_view classListingTitle = L"Registered Classes";
// What the listing shows for a value that cannot be read.
inline constexpr std::wstring_view missingValue = L"?? missing ??";

// A class record's values as the listing shows them: a value that could not be read holds
// missingValue, a missing ServerId is empty.
struct ClassRecord {
    std::wstring progId;
    std::wstring javaClassName;
    std::wstring jvmId;
    std::wstring serverId;
    std::wstring inprocServer;
};

// Appends the class's block, after a line break when the listing already holds one. It grows
// the listing in place, by its own length only, however many classes there are.
void appendClassBlock(std::wstring& listing, std::wstring_view clsid, const ClassRecord& values);

}  // namespace volmora
