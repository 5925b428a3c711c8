// A class's COM keys as they are, beside what registration writes: read the same way, and judged
// by the same rule, wherever they are compared.
#pragma once

#include <string>
#include <string_view>

#include "classKeys.h"
#include "registry.h"

namespace volmora {

// One value below HKEY_CLASSES_ROOT as read: its text, or why there is none.
struct ComValueRead {
    enum class Kind { text, keyMissing, valueMissing, otherType, failed };
    Kind kind = Kind::keyMissing;
    std::wstring text;
    long code = status::success;  // failed: the status of the call that failed
};

// Reads the named value (empty: the default value) of key.
ComValueRead readComValue(Registry& registry, const std::wstring& key, std::wstring_view name);

// Whether the value found is the one registration writes.
bool comValueMatches(const ComValue& wanted, const ComValueRead& found);

// How messages and the plan name a COM value: "COM key "<key>"", with " value <name>" for a
// named value.
std::wstring comKeyLabel(const std::wstring& key, std::wstring_view name = {});

// Whether a ProgID key leads to the class: its CLSID subkey names clsid, in any letter case.
bool leadsToClass(const ComValueRead& pointer, std::wstring_view clsid);

}  // namespace volmora
