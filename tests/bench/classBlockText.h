// The text of the class listing as the benchmark's listing floor builds it: the same blocks,
// labels and placeholders as bindObject /l, from values the floor has read itself.
#pragma once

#include <string>
#include <string_view>

namespace volmora::bench {

inline constexpr std::wstring_view classListingTitle = L"Registered Classes";
inline constexpr std::wstring_view missingValue = L"?? missing ??";

// One class record's values as the listing shows them: a value that could not be read already
// holds missingValue, a missing ServerId is empty.
struct ClassValues {
    std::wstring progId;
    std::wstring javaClassName;
    std::wstring jvmId;
    std::wstring serverId;
    std::wstring inprocServer;
};

// Appends the record's block, after a line break when the listing already holds one.
void appendClassBlock(std::wstring& listing, std::wstring_view clsid, const ClassValues& values);

}  // namespace volmora::bench
