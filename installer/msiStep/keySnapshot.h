// A registry key as it stood before an install wrote it, noted whole (every value with its type
// and bytes, every subkey) so that a rollback can put it back exactly, or remove it when the
// install made it. A note travels in a rollback's CustomActionData as one line of text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "registry.h"
#include "stepData.h"

namespace volmora::msistep {

struct SavedValue {
    std::wstring name;
    std::uint32_t type = valueType::none;
    std::vector<std::uint8_t> data;
    friend bool operator==(const SavedValue&, const SavedValue&) = default;
};

struct SavedKey {
    std::wstring name;  // as the registry spells it; empty for the noted key itself
    std::vector<SavedValue> values;
    std::vector<SavedKey> subkeys;
    friend bool operator==(const SavedKey&, const SavedKey&) = default;
};

// The two roots that the steps write below. A key of HKEY_CLASSES_ROOT is noted and put back
// below HKEY_LOCAL_MACHINE\SOFTWARE\Classes, the machine's own classes, whichever user's view
// the noting process has.
enum class NotedRoot { localMachine, classesRoot };

struct KeyNote {
    NotedRoot root = NotedRoot::localMachine;
    std::wstring path;
    std::optional<SavedKey> before;  // none: the key did not exist
    friend bool operator==(const KeyNote&, const KeyNote&) = default;
};

// "HKLM\path" or "HKCR\path", as the log names a key.
std::wstring notedKeyName(const KeyNote& note);

// The key as it stands now, or the registry's error when it cannot be read whole.
std::variant<KeyNote, long> noteKey(Registry& registry, NotedRoot root, const std::wstring& path);

// Puts the key back as the note has it: a key that did not exist goes with everything below it;
// one that did keeps its own name and gets back exactly its values and subkeys (what is not in
// the note goes, what is comes back with its type and bytes). Returns 0 or the first error.
long restoreKey(Registry& registry, const KeyNote& note);

// A note as one item of CustomActionData: "noted HKLM|HKCR <path> absent", or
// "noted HKLM|HKCR <path> present" followed by the key's content, every name and every value's
// bytes in hex, so that no character of them can break the line.
std::wstring noteItem(const KeyNote& note);
inline constexpr std::wstring_view noteItemPrefix = L"noted ";
std::variant<KeyNote, Fault> readNoteItem(std::wstring_view item);

}  // namespace volmora::msistep
