// Single registry values in and out of keys the caller holds. Each routine returns 0, the
// registry's status code, or -1 for a value type it does not handle; none shows a message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "registry.h"

namespace volmora {

// What getNamedValue can deliver: nothing, a text (REG_SZ) or a 32-bit number (REG_DWORD).
using RegValue = std::variant<std::monostate, std::wstring, std::int32_t>;

inline constexpr long unsupportedType = -1;

// Registry text data (the first size bytes of buffer) as a string: what stands before its first
// zero character. A REG_SZ normally ends in one; an installer that writes its whole buffer leaves
// more, and a text with zero characters inside would end early wherever it is shown, so every
// reader (the listings, export and check) takes the same part. Data stored without a zero
// character is read whole, and an odd last byte is ignored.
std::wstring textFromData(const std::vector<std::uint8_t>& buffer, std::uint32_t size);

// Type 1 (REG_SZ) writes a text, type 4 (REG_DWORD) a number; an empty name is the default value.
long setNamedValue(Registry& registry, KeyHandle key, const std::wstring& name, std::uint32_t type,
                   const RegValue& value);

// Reads a REG_SZ or REG_DWORD value, with one query when it fits the first buffer and again,
// with the size the registry asks for, only when it does not (ERROR_MORE_DATA). A failed first
// query leaves value untouched; a failed later query of a text empties it. A number of more than
// four bytes answers ERROR_MORE_DATA.
long getNamedValue(Registry& registry, KeyHandle key, const std::wstring& name, RegValue& value);

// Reads the default value of subkey (a path of any depth; empty is the key itself), with one
// query when it fits the first buffer, as getNamedValue does; a failed later query empties text.
long getKeyDefaultValue(Registry& registry, KeyHandle key, const std::wstring& subkey,
                        std::wstring& text);

// Writes the default value of subkey as REG_SZ (type 1 only), creating missing keys.
long setKeyDefaultValue(Registry& registry, KeyHandle key, const std::wstring& subkey,
                        std::uint32_t type, const std::wstring& text);

// A text value of a record, or fallback when it cannot be read as text.
std::wstring namedTextOr(Registry& registry, KeyHandle key, const std::wstring& name,
                         const std::wstring& fallback);

}  // namespace volmora
