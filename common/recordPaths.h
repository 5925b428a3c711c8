// Where the tools keep what they write: the bridge configuration below HKEY_LOCAL_MACHINE, with
// one collection of record keys per tool, and the listing window's settings below
// HKEY_CURRENT_USER.
#pragma once

#include <string>
#include <string_view>

namespace volmora {

// The record collections below the configuration root; each key name also names the
// collection in the tools' messages ("Can't enumerate CLSIDs: ...").
namespace recordCollection {
inline constexpr std::wstring_view classes = L"CLSIDs";
inline constexpr std::wstring_view jvms = L"JVMs";
inline constexpr std::wstring_view servers = L"Servers";
}  // namespace recordCollection

// "SOFTWARE\<vendor>\VOLM": the bridge configuration root below HKEY_LOCAL_MACHINE.
std::wstring configurationRoot();

// The key holding every record of a collection, below HKEY_LOCAL_MACHINE.
std::wstring recordsPath(std::wstring_view collection);

// The key of one record, named by its identifier, below HKEY_LOCAL_MACHINE.
std::wstring recordPath(std::wstring_view collection, std::wstring_view name);

// "Software\<vendor>\Volmora\Settings": the per-user settings below HKEY_CURRENT_USER.
std::wstring settingsPath();

}  // namespace volmora
