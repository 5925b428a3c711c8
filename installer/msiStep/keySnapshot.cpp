// Noting a registry key whole and putting it back, and the note's one line of text.
#include "keySnapshot.h"

#include <algorithm>

#include "keyNameCase.h"

namespace volmora::msistep {

namespace {

// HKEY_CLASSES_ROOT's keys are read and written where the machine keeps them: the note is taken
// by an immediate action, which may run as the user installing, whose HKEY_CLASSES_ROOT shows
// that user's own classes over the machine's; the rollback runs as the installer's service, and
// the programs wrote the machine's. (Both roots keep the registry view of the process: a 32-bit
// one reaches the 32-bit class keys either way.)
constexpr std::wstring_view machineClasses = L"SOFTWARE\\Classes\\";

// The key's path below HKEY_LOCAL_MACHINE.
std::wstring machinePath(NotedRoot root, const std::wstring& path) {
    return root == NotedRoot::localMachine ? path : std::wstring(machineClasses) + path;
}

std::wstring_view rootName(NotedRoot root) {
    return root == NotedRoot::localMachine ? L"HKLM" : L"HKCR";
}

// The names of the key's subkeys, or the enumeration's error.
long subkeyNames(Registry& registry, KeyHandle key, std::vector<std::wstring>& names) {
    names.clear();
    for (std::uint32_t index = 0;; ++index) {
        std::wstring name;
        const long result = registry.enumKey(key, index, name);
        if (result == status::noMoreItems) {
            return status::success;
        }
        if (result != status::success) {
            return result;
        }
        names.push_back(std::move(name));
    }
}

long valuesOf(Registry& registry, KeyHandle key, std::vector<SavedValue>& values) {
    values.clear();
    for (std::uint32_t index = 0;; ++index) {
        SavedValue value;
        const long result = registry.enumValue(key, index, value.name, value.type, value.data);
        if (result == status::noMoreItems) {
            return status::success;
        }
        if (result != status::success) {
            return result;
        }
        values.push_back(std::move(value));
    }
}

long readTree(Registry& registry, KeyHandle key, SavedKey& saved) {
    if (const long result = valuesOf(registry, key, saved.values); result != status::success) {
        return result;
    }
    std::vector<std::wstring> names;
    if (const long result = subkeyNames(registry, key, names); result != status::success) {
        return result;
    }
    for (std::wstring& name : names) {
        RegKey subkey(registry);
        if (const long result = subkey.open(key, name, KeyAccess::read);
            result != status::success) {
            return result;
        }
        SavedKey child{std::move(name), {}, {}};
        if (const long result = readTree(registry, subkey.handle(), child);
            result != status::success) {
            return result;
        }
        saved.subkeys.push_back(std::move(child));
    }
    return status::success;
}

// Deletes path below parent with everything below it; a key that is not there is no error.
long deleteTree(Registry& registry, KeyHandle parent, const std::wstring& path) {
    std::vector<std::wstring> names;
    {
        RegKey key(registry);
        const long opened = key.open(parent, path, KeyAccess::read);
        if (opened == status::fileNotFound) {
            return status::success;
        }
        if (opened != status::success) {
            return opened;
        }
        if (const long result = subkeyNames(registry, key.handle(), names);
            result != status::success) {
            return result;
        }
    }
    for (const std::wstring& name : names) {
        if (const long result = deleteTree(registry, parent, path + L"\\" + name);
            result != status::success) {
            return result;
        }
    }
    const long result = registry.deleteKey(parent, path);
    return result == status::fileNotFound ? status::success : result;
}

template <typename Named>
bool holdsName(const std::vector<Named>& items, std::wstring_view name) {
    return std::any_of(items.begin(), items.end(),
                       [&](const Named& item) { return sameKeyName(item.name, name); });
}

// Makes the open key hold exactly what saved holds.
long makeEqual(Registry& registry, KeyHandle key, const SavedKey& saved) {
    std::vector<SavedValue> present;
    if (const long result = valuesOf(registry, key, present); result != status::success) {
        return result;
    }
    for (const SavedValue& value : present) {
        if (!holdsName(saved.values, value.name)) {
            if (const long result = registry.deleteValue(key, value.name);
                result != status::success) {
                return result;
            }
        }
    }
    for (const SavedValue& value : saved.values) {
        if (const long result = registry.setValue(key, value.name, value.type, value.data.data(),
                                                  static_cast<std::uint32_t>(value.data.size()));
            result != status::success) {
            return result;
        }
    }
    std::vector<std::wstring> names;
    if (const long result = subkeyNames(registry, key, names); result != status::success) {
        return result;
    }
    for (const std::wstring& name : names) {
        if (!holdsName(saved.subkeys, name)) {
            if (const long result = deleteTree(registry, key, name); result != status::success) {
                return result;
            }
        }
    }
    for (const SavedKey& child : saved.subkeys) {
        RegKey subkey(registry);
        if (const long result = subkey.create(key, child.name); result != status::success) {
            return result;
        }
        if (const long result = makeEqual(registry, subkey.handle(), child);
            result != status::success) {
            return result;
        }
    }
    return status::success;
}

constexpr wchar_t hexDigits[] = L"0123456789abcdef";

void appendHex(std::wstring& text, std::uint32_t value, int digits) {
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
        text += hexDigits[(value >> shift) & 0xF];
    }
}

// Names as four hex digits per UTF-16 unit, bytes as two; "-" for none.
std::wstring hexName(std::wstring_view name) {
    if (name.empty()) {
        return L"-";
    }
    std::wstring text;
    for (const wchar_t c : name) {
        appendHex(text, static_cast<std::uint16_t>(c), 4);
    }
    return text;
}

std::wstring hexBytes(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) {
        return L"-";
    }
    std::wstring text;
    for (const std::uint8_t b : bytes) {
        appendHex(text, b, 2);
    }
    return text;
}

void appendTree(std::wstring& text, const SavedKey& key) {
    for (const SavedValue& value : key.values) {
        text += L" v " + hexName(value.name) + L" " + std::to_wstring(value.type) + L" " +
                hexBytes(value.data);
    }
    for (const SavedKey& child : key.subkeys) {
        text += L" k " + hexName(child.name);
        appendTree(text, child);
        text += L" e";
    }
}

// Reads the blank-separated words of a note back.
class Words {
  public:
    explicit Words(std::wstring_view text) : text_(text) {}
    std::optional<std::wstring_view> next() {
        while (!text_.empty() && text_.front() == L' ') {
            text_.remove_prefix(1);
        }
        if (text_.empty()) {
            return std::nullopt;
        }
        const std::size_t end = std::min(text_.find(L' '), text_.size());
        const std::wstring_view word = text_.substr(0, end);
        text_.remove_prefix(end);
        return word;
    }

  private:
    std::wstring_view text_;
};

std::optional<std::uint32_t> hexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return static_cast<std::uint32_t>(c - L'0');
    }
    if (c >= L'a' && c <= L'f') {
        return static_cast<std::uint32_t>(c - L'a' + 10);
    }
    return std::nullopt;
}

// Units of digits hex digits each; "-" is none.
template <typename Unit>
std::optional<std::vector<Unit>> fromHex(std::wstring_view word, std::size_t digits) {
    std::vector<Unit> units;
    if (word == L"-") {
        return units;
    }
    if (word.empty() || word.size() % digits != 0) {
        return std::nullopt;
    }
    for (std::size_t at = 0; at < word.size(); at += digits) {
        std::uint32_t unit = 0;
        for (std::size_t i = 0; i < digits; ++i) {
            const auto digit = hexDigit(word[at + i]);
            if (!digit) {
                return std::nullopt;
            }
            unit = unit * 16 + *digit;
        }
        units.push_back(static_cast<Unit>(unit));
    }
    return units;
}

std::optional<std::wstring> nameFromHex(std::wstring_view word) {
    const auto units = fromHex<wchar_t>(word, 4);
    if (!units) {
        return std::nullopt;
    }
    return std::wstring(units->begin(), units->end());
}

// Reads a key's content up to its "e" (or, for the noted key, the end of the words).
bool readTreeWords(Words& words, SavedKey& key, bool nested, int depth) {
    constexpr int deepest = 512;  // far deeper than the registry lets keys nest
    if (depth > deepest) {
        return false;
    }
    for (;;) {
        const auto word = words.next();
        if (!word) {
            return !nested;
        }
        if (*word == L"e") {
            return nested;
        }
        if (*word == L"v") {
            const auto name = words.next();
            const auto type = words.next();
            const auto data = words.next();
            if (!name || !type || !data) {
                return false;
            }
            auto valueName = nameFromHex(*name);
            const auto typeNumber = decimalNumber(*type, 0xFFFFFFFF);
            auto bytes = fromHex<std::uint8_t>(*data, 2);
            if (!valueName || !typeNumber || !bytes) {
                return false;
            }
            key.values.push_back({std::move(*valueName), *typeNumber, std::move(*bytes)});
        } else if (*word == L"k") {
            const auto name = words.next();
            auto keyName = name ? nameFromHex(*name) : std::nullopt;
            if (!keyName || keyName->empty()) {
                return false;
            }
            SavedKey child{std::move(*keyName), {}, {}};
            if (!readTreeWords(words, child, true, depth + 1)) {
                return false;
            }
            key.subkeys.push_back(std::move(child));
        } else {
            return false;
        }
    }
}

}  // namespace

std::wstring notedKeyName(const KeyNote& note) {
    return std::wstring(rootName(note.root)) + L"\\" + note.path;
}

std::variant<KeyNote, long> noteKey(Registry& registry, NotedRoot root, const std::wstring& path) {
    KeyNote note{root, path, std::nullopt};
    RegKey key(registry);
    const long opened = key.open(localMachine, machinePath(root, path), KeyAccess::read);
    if (opened == status::fileNotFound) {
        return note;
    }
    if (opened != status::success) {
        return opened;
    }
    SavedKey saved;
    if (const long result = readTree(registry, key.handle(), saved); result != status::success) {
        return result;
    }
    note.before = std::move(saved);
    return note;
}

long restoreKey(Registry& registry, const KeyNote& note) {
    if (!note.before) {
        return deleteTree(registry, localMachine, machinePath(note.root, note.path));
    }
    RegKey key(registry);
    if (const long result = key.create(localMachine, machinePath(note.root, note.path));
        result != status::success) {
        return result;
    }
    return makeEqual(registry, key.handle(), *note.before);
}

std::wstring noteItem(const KeyNote& note) {
    std::wstring text = std::wstring(noteItemPrefix) + std::wstring(rootName(note.root)) + L" " +
                        hexName(note.path);
    if (!note.before) {
        return text + L" absent";
    }
    text += L" present";
    appendTree(text, *note.before);
    return text;
}

std::variant<KeyNote, Fault> readNoteItem(std::wstring_view item) {
    const Fault refused{L"not a note of a registry key: " + std::wstring(item.substr(0, 80))};
    if (!item.starts_with(noteItemPrefix)) {
        return refused;
    }
    Words words(item.substr(noteItemPrefix.size()));
    const auto root = words.next();
    const auto path = words.next();
    const auto state = words.next();
    if (!root || !path || !state || (*root != L"HKLM" && *root != L"HKCR")) {
        return refused;
    }
    auto keyPath = nameFromHex(*path);
    if (!keyPath || keyPath->empty()) {
        return refused;
    }
    KeyNote note{*root == L"HKLM" ? NotedRoot::localMachine : NotedRoot::classesRoot,
                 std::move(*keyPath), std::nullopt};
    if (*state == L"absent") {
        return words.next() ? std::variant<KeyNote, Fault>(refused) : note;
    }
    if (*state != L"present") {
        return refused;
    }
    SavedKey saved;
    if (!readTreeWords(words, saved, false, 0)) {
        return refused;
    }
    note.before = std::move(saved);
    return note;
}

}  // namespace volmora::msistep
