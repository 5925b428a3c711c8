// What a record's names and values may be: what the registry can hold, and what the programs
// can pass to it as one name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace volmora {

// The longest key name and value name the registry takes, in characters.
inline constexpr std::size_t maxKeyName = 255;
inline constexpr std::size_t maxValueName = 16383;

// Whether name can stand as exactly one key name when appended to a path: 0, or
// status::badPathname for an empty name, one holding a backslash (the registry would take it as
// the key above or as several nested keys) or a NUL character (the calls would end the name
// there, in another key). Length limits are left to the registry, which reports its own code.
long keyNameStatus(std::wstring_view name);

// Why a name or a text cannot be written as it is; empty when it can.
// A key name: keyNameStatus, and at most maxKeyName characters once reserve more are appended
// (a ProgID names its versioned key too).
std::wstring keyNameFault(std::wstring_view name, std::size_t reserve = 0);
// A value name: no NUL, at most maxValueName characters.
std::wstring valueNameFault(std::wstring_view name);
// A REG_SZ text: no NUL, which would end the text for every program that reads it.
std::wstring valueTextFault(std::wstring_view text);

// Whether name is a GUID in braces as COM writes it, 38 characters
// ("{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"): a CLSID that COM can use, a type library's identity.
bool isBracedGuid(std::wstring_view name);

}  // namespace volmora
