// An in-memory registry for unit tests that behaves like the Windows registry in what the tools
// use.
#include "memoryRegistry.h"

#include <algorithm>
#include <locale>

#include "unicodeCase.h"
#include "utf16.h"

namespace volmora::testing {

namespace {

constexpr long invalidHandle = 6;
constexpr long keyDeleted = 1018;
// In UTF-16 units. Windows documents 255 characters for a key name; Wine takes one more and
// refuses longer names with 87, as this registry does.
constexpr std::size_t maxKeyNameLength = 256;
constexpr std::size_t maxValueNameLength = 16383;

// The length of a name in UTF-16 units, whatever the width of wchar_t here: a character beyond
// the basic plane takes two.
std::size_t utf16Length(const std::wstring& text) {
    std::size_t length = text.size();
    for (wchar_t c : text) {
        // Through a variable: where wchar_t is 16 bits wide the test is always false.
        const auto code = static_cast<std::uint32_t>(c);
        if (code > 0xFFFF) {
            ++length;
        }
    }
    return length;
}

// Names compare in upper case, as the registry and sameKeyName compare them; that also gives
// the enumeration order.
std::wstring fold(const std::wstring& text) {
    std::wstring result(text);
    unicodeCase().toupper(result.data(), result.data() + result.size());
    return result;
}

bool isString(std::uint32_t type) {
    return type == valueType::sz || type == valueType::expandSz || type == valueType::multiSz;
}

std::uint16_t unitAt(const std::uint8_t* data, std::size_t index) {
    return static_cast<std::uint16_t>(data[2 * index] | (data[2 * index + 1] << 8));
}

std::vector<std::wstring> components(const std::wstring& path) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        auto end = path.find(L'\\', start);
        if (end == std::wstring::npos) {
            end = path.size();
        }
        if (end > start) {
            parts.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

const char* callName(RegistryCall call) {
    switch (call) {
        case RegistryCall::createKey:
            return "createKey";
        case RegistryCall::openKey:
            return "openKey";
        case RegistryCall::closeKey:
            return "closeKey";
        case RegistryCall::enumKey:
            return "enumKey";
        case RegistryCall::deleteKey:
            return "deleteKey";
        case RegistryCall::setValue:
            return "setValue";
        case RegistryCall::queryValue:
            return "queryValue";
        case RegistryCall::queryDefaultValue:
            return "queryDefaultValue";
        case RegistryCall::setDefaultValue:
            return "setDefaultValue";
        case RegistryCall::enumValue:
            return "enumValue";
        case RegistryCall::deleteValue:
            return "deleteValue";
    }
    return "?";
}

}  // namespace

struct MemoryRegistry::Key {
    std::wstring name;
    std::wstring path;
    // Keyed by the upper-cased name; the key itself keeps the name as written.
    std::map<std::wstring, std::shared_ptr<Key>> subkeys;
    std::map<std::wstring, std::pair<std::wstring, StoredValue>> values;
    Key* parent = nullptr;
    bool deleted = false;
};

MemoryRegistry::MemoryRegistry()
    : classesRoot_(std::make_shared<Key>(Key{L"HKCR", L"HKCR", {}, {}, nullptr, false})),
      currentUser_(std::make_shared<Key>(Key{L"HKCU", L"HKCU", {}, {}, nullptr, false})),
      localMachine_(std::make_shared<Key>(Key{L"HKLM", L"HKLM", {}, {}, nullptr, false})),
      otherLocalMachine_(
          std::make_shared<Key>(Key{L"HKLM-other", L"HKLM-other", {}, {}, nullptr, false})),
      roots_{Handle{classesRoot_, true}, Handle{currentUser_, true}, Handle{localMachine_, true}} {}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Handle* MemoryRegistry::handle(KeyHandle key) {
    if (key == volmora::classesRoot)
        return &roots_[0];
    if (key == volmora::currentUser)
        return &roots_[1];
    if (key == volmora::localMachine)
        return &roots_[2];
    auto found = handles_.find(key.value);
    return found == handles_.end() ? nullptr : &found->second;
}

KeyHandle MemoryRegistry::newHandle(std::shared_ptr<Key> key, bool writable) {
    KeyHandle result{nextHandle_};
    nextHandle_ += 4;
    handles_[result.value] = Handle{std::move(key), writable};
    return result;
}

std::optional<long> MemoryRegistry::injected(RegistryCall call, const std::wstring& target) {
    std::wstring line = std::wstring(
        callName(call), callName(call) + std::char_traits<char>::length(callName(call)));
    calls_.push_back(line + L" " + target);
    ++callCounts_[call];
    auto wanted = fold(target);
    for (auto it = injections_.begin(); it != injections_.end(); ++it) {
        if (it->call == call && fold(it->target) == wanted) {
            if (it->callsThatPass > 0) {
                --it->callsThatPass;
                continue;
            }
            long code = it->code;
            if (!it->always) {
                injections_.erase(it);
            }
            return code;
        }
    }
    return std::nullopt;
}

void MemoryRegistry::failCall(RegistryCall call, const std::wstring& target, long code,
                              bool always) {
    injections_.push_back({call, target, code, always});
}

void MemoryRegistry::failLaterCall(RegistryCall call, const std::wstring& target, long code,
                                   std::size_t callsThatPass) {
    injections_.push_back({call, target, code, false, callsThatPass});
}

MemoryRegistry::Key* MemoryRegistry::find(Key* from, const std::wstring& path) const {
    Key* key = from;
    for (const auto& part : components(path)) {
        auto found = key->subkeys.find(fold(part));
        if (found == key->subkeys.end()) {
            return nullptr;
        }
        key = found->second.get();
    }
    return key;
}

static std::wstring joinPath(const std::wstring& base, const std::wstring& path) {
    std::wstring result = base;
    for (const auto& part : components(path)) {
        result += L'\\';
        result += part;
    }
    return result;
}

// Follows path one name at a time, as the registry does: a leading backslash is refused, a name
// over the limit fails where the walk meets it, and with create set the missing keys are made on
// the way (those made before a refused name stay).
long MemoryRegistry::walk(const std::shared_ptr<Key>& from, const std::wstring& path, bool create,
                          std::shared_ptr<Key>& found) {
    if (!path.empty() && path.front() == L'\\')
        return status::badPathname;
    std::shared_ptr<Key> key = from;
    for (const auto& part : components(path)) {
        if (utf16Length(part) > maxKeyNameLength)
            return status::invalidParameter;
        auto folded = fold(part);
        auto next = key->subkeys.find(folded);
        if (next == key->subkeys.end()) {
            if (!create)
                return status::fileNotFound;
            auto made = std::make_shared<Key>();
            made->name = part;
            made->path = key->path + L"\\" + part;
            made->parent = key.get();
            next = key->subkeys.emplace(std::move(folded), std::move(made)).first;
        }
        key = next->second;
    }
    found = key;
    return status::success;
}

long MemoryRegistry::createKey(KeyHandle parent, const std::wstring& path, KeyHandle& key) {
    Handle* from = handle(parent);
    if (from == nullptr)
        return invalidHandle;
    if (auto code = injected(RegistryCall::createKey, joinPath(from->key->path, path)))
        return *code;
    if (from->key->deleted)
        return keyDeleted;
    if (!from->writable)
        return status::accessDenied;
    std::shared_ptr<Key> created;
    long result = walk(from->key, path, true, created);
    if (result != status::success)
        return result;
    key = newHandle(created, true);
    return status::success;
}

long MemoryRegistry::openKey(KeyHandle parent, const std::wstring& path, KeyAccess access,
                             KeyHandle& key) {
    Handle* from = handle(parent);
    if (from == nullptr)
        return invalidHandle;
    const std::shared_ptr<Key>& start =
        access == KeyAccess::readOtherView && parent == volmora::localMachine ? otherLocalMachine_
                                                                              : from->key;
    if (auto code = injected(RegistryCall::openKey, joinPath(start->path, path)))
        return *code;
    if (start->deleted)
        return keyDeleted;
    std::shared_ptr<Key> found;
    long result = walk(start, path, false, found);
    if (result != status::success)
        return result;
    key = newHandle(found, access == KeyAccess::allAccess);
    return status::success;
}

long MemoryRegistry::closeKey(KeyHandle key) {
    auto found = handles_.find(key.value);
    if (found == handles_.end()) {
        return handle(key) ? status::success : invalidHandle;
    }
    if (auto code = injected(RegistryCall::closeKey, found->second.key->path))
        return *code;
    handles_.erase(found);
    return status::success;
}

long MemoryRegistry::enumKey(KeyHandle key, std::uint32_t index, std::wstring& name) {
    Handle* from = handle(key);
    if (from == nullptr)
        return invalidHandle;
    if (auto code = injected(RegistryCall::enumKey, from->key->path))
        return *code;
    if (from->key->deleted)
        return keyDeleted;
    if (index >= from->key->subkeys.size())
        return status::noMoreItems;
    auto it = from->key->subkeys.begin();
    std::advance(it, index);
    name = it->second->name;
    return status::success;
}

long MemoryRegistry::deleteKey(KeyHandle parent, const std::wstring& path) {
    Handle* from = handle(parent);
    if (from == nullptr)
        return invalidHandle;
    if (auto code = injected(RegistryCall::deleteKey, joinPath(from->key->path, path)))
        return *code;
    if (from->key->deleted)
        return keyDeleted;
    std::shared_ptr<Key> target;
    long result = walk(from->key, path, false, target);
    if (result != status::success)
        return result;
    if (target->parent == nullptr || !target->subkeys.empty())
        return status::accessDenied;
    auto& siblings = target->parent->subkeys;
    target->deleted = true;
    siblings.erase(fold(target->name));
    return status::success;
}

long MemoryRegistry::enumValue(KeyHandle key, std::uint32_t index, std::wstring& name,
                               std::uint32_t& type, std::vector<std::uint8_t>& data) {
    Handle* from = handle(key);
    if (from == nullptr)
        return invalidHandle;
    if (auto code = injected(RegistryCall::enumValue, from->key->path))
        return *code;
    if (from->key->deleted)
        return keyDeleted;
    if (index >= from->key->values.size())
        return status::noMoreItems;
    auto it = from->key->values.begin();
    std::advance(it, index);
    name = it->second.first;
    type = it->second.second.type;
    data = it->second.second.data;
    return status::success;
}

long MemoryRegistry::deleteValue(KeyHandle key, const std::wstring& name) {
    Handle* target = handle(key);
    if (target == nullptr)
        return invalidHandle;
    if (auto code = injected(RegistryCall::deleteValue, target->key->path + L"@" + name))
        return *code;
    if (target->key->deleted)
        return keyDeleted;
    if (!target->writable)
        return status::accessDenied;
    return target->key->values.erase(fold(name)) == 1 ? status::success : status::fileNotFound;
}

long MemoryRegistry::setValue(KeyHandle key, const std::wstring& name, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t size) {
    Handle* target = handle(key);
    if (target == nullptr)
        return invalidHandle;
    if (auto code = injected(RegistryCall::setValue, target->key->path + L"@" + name))
        return *code;
    if (target->key->deleted)
        return keyDeleted;
    if (!target->writable)
        return status::accessDenied;
    if (utf16Length(name) > maxValueNameLength)
        return status::invalidParameter;
    // Like RegSetValueExW: a text whose count left out the zero character that follows it in the
    // caller's buffer gets that terminator stored too.
    std::size_t units = size / 2;
    if (isString(type) && units > 0 && unitAt(data, units - 1) != 0 && unitAt(data, units) == 0) {
        size += 2;
    }
    StoredValue value{type, std::vector<std::uint8_t>(data, data + size)};
    target->key->values[fold(name)] = {name, std::move(value)};
    return status::success;
}

// Copies stored data into a caller's buffer by the rules of RegQueryValueExW, which also puts a
// zero character after a text that lacks one when the buffer has room for it.
static long readStored(const StoredValue& stored, std::uint8_t* data, std::uint32_t* size) {
    auto needed = static_cast<std::uint32_t>(stored.data.size());
    if (data == nullptr) {
        if (size != nullptr)
            *size = needed;
        return status::success;
    }
    if (size == nullptr)
        return status::invalidParameter;
    if (*size < needed) {
        *size = needed;
        return status::moreData;
    }
    std::copy(stored.data.begin(), stored.data.end(), data);
    if (isString(stored.type) && needed >= 2 && *size >= needed + 2 &&
        (data[needed - 2] != 0 || data[needed - 1] != 0)) {
        data[needed] = data[needed + 1] = 0;
    }
    *size = needed;
    return status::success;
}

long MemoryRegistry::queryValue(KeyHandle key, const std::wstring& name, std::uint32_t* type,
                                std::uint8_t* data, std::uint32_t* size) {
    Handle* target = handle(key);
    if (target == nullptr)
        return invalidHandle;
    if (auto code = injected(RegistryCall::queryValue, target->key->path + L"@" + name))
        return *code;
    if (target->key->deleted)
        return keyDeleted;
    auto found = target->key->values.find(fold(name));
    if (found == target->key->values.end())
        return status::fileNotFound;
    const StoredValue& stored = found->second.second;
    if (type != nullptr)
        *type = stored.type;
    return readStored(stored, data, size);
}

long MemoryRegistry::queryDefaultValue(KeyHandle key, const std::wstring& subkey,
                                       std::uint8_t* data, std::uint32_t* size) {
    Handle* from = handle(key);
    if (from == nullptr)
        return invalidHandle;
    if (auto code =
            injected(RegistryCall::queryDefaultValue, joinPath(from->key->path, subkey) + L"@"))
        return *code;
    if (from->key->deleted)
        return keyDeleted;
    std::shared_ptr<Key> target;
    long result = walk(from->key, subkey, false, target);
    if (result != status::success)
        return result;
    auto found = target->values.find(L"");
    if (found == target->values.end()) {
        // Like RegQueryValueW: a key without a default value reads as an empty text.
        if (data != nullptr && size != nullptr && *size >= 2) {
            data[0] = data[1] = 0;
        }
        if (size != nullptr)
            *size = 2;
        return status::success;
    }
    return readStored(found->second.second, data, size);
}

long MemoryRegistry::setDefaultValue(KeyHandle key, const std::wstring& subkey,
                                     const std::wstring& text) {
    Handle* from = handle(key);
    if (from == nullptr)
        return invalidHandle;
    if (auto code =
            injected(RegistryCall::setDefaultValue, joinPath(from->key->path, subkey) + L"@"))
        return *code;
    if (from->key->deleted)
        return keyDeleted;
    if (!from->writable)
        return status::accessDenied;
    std::shared_ptr<Key> target;
    long result = walk(from->key, subkey, true, target);
    if (result != status::success)
        return result;
    target->values[L""] = {L"", StoredValue{valueType::sz, utf16Bytes(text)}};
    return status::success;
}

MemoryRegistry::Key* MemoryRegistry::rootOf(const std::wstring& path, std::wstring& rest) const {
    auto parts = components(path);
    if (parts.empty())
        return nullptr;
    auto head = fold(parts.front());
    rest = path.size() > parts.front().size() ? path.substr(parts.front().size() + 1) : L"";
    if (head == L"HKCR")
        return classesRoot_.get();
    if (head == L"HKCU")
        return currentUser_.get();
    if (head == L"HKLM")
        return localMachine_.get();
    if (head == L"HKLM-OTHER")
        return otherLocalMachine_.get();
    return nullptr;
}

bool MemoryRegistry::keyExists(const std::wstring& path) const {
    std::wstring rest;
    Key* root = rootOf(path, rest);
    return root != nullptr && find(root, rest) != nullptr;
}

std::optional<StoredValue> MemoryRegistry::value(const std::wstring& path,
                                                 const std::wstring& name) const {
    std::wstring rest;
    Key* root = rootOf(path, rest);
    Key* key = root ? find(root, rest) : nullptr;
    if (key == nullptr)
        return std::nullopt;
    auto found = key->values.find(fold(name));
    if (found == key->values.end())
        return std::nullopt;
    return found->second.second;
}

std::optional<std::wstring> MemoryRegistry::text(const std::wstring& path,
                                                 const std::wstring& name) const {
    auto stored = value(path, name);
    if (!stored || stored->type != valueType::sz)
        return std::nullopt;
    std::size_t count = stored->data.size() / 2;
    if (count > 0 && stored->data[2 * count - 2] == 0 && stored->data[2 * count - 1] == 0)
        --count;
    return textFromUtf16(stored->data.data(), count);
}

void MemoryRegistry::putKey(const std::wstring& path) {
    std::wstring rest;
    Key* root = rootOf(path, rest);
    auto& shared = root == classesRoot_.get()         ? classesRoot_
                   : root == currentUser_.get()       ? currentUser_
                   : root == otherLocalMachine_.get() ? otherLocalMachine_
                                                      : localMachine_;
    std::shared_ptr<Key> created;
    walk(shared, rest, true, created);
}

void MemoryRegistry::putValue(const std::wstring& path, const std::wstring& name,
                              StoredValue value) {
    putKey(path);
    std::wstring rest;
    Key* key = find(rootOf(path, rest), rest);
    key->values[fold(name)] = {name, std::move(value)};
}

void MemoryRegistry::putText(const std::wstring& path, const std::wstring& name,
                             const std::wstring& text) {
    putValue(path, name, StoredValue{valueType::sz, utf16Bytes(text)});
}

void MemoryRegistry::removeValue(const std::wstring& path, const std::wstring& name) {
    std::wstring rest;
    Key* root = rootOf(path, rest);
    Key* key = root ? find(root, rest) : nullptr;
    if (key != nullptr)
        key->values.erase(fold(name));
}

std::wstring MemoryRegistry::dump(const std::wstring& path) const {
    std::wstring rest;
    Key* root = rootOf(path, rest);
    Key* start = root ? find(root, rest) : nullptr;
    std::wstring out;
    if (start == nullptr)
        return out;
    std::vector<const Key*> pending{start};
    while (!pending.empty()) {
        const Key* key = pending.back();
        pending.pop_back();
        out += key->path + L"\n";
        for (const auto& [folded, entry] : key->values) {
            out += L"  " + (entry.first.empty() ? std::wstring(L"@") : entry.first) + L" type=" +
                   std::to_wstring(entry.second.type) + L" bytes=";
            for (auto byte : entry.second.data) {
                static constexpr wchar_t hex[] = L"0123456789abcdef";
                out += hex[byte >> 4];
                out += hex[byte & 0xF];
            }
            out += L"\n";
        }
        for (auto it = key->subkeys.rbegin(); it != key->subkeys.rend(); ++it) {
            pending.push_back(it->second.get());
        }
    }
    return out;
}

std::size_t MemoryRegistry::callCount(RegistryCall call) const {
    auto found = callCounts_.find(call);
    return found == callCounts_.end() ? 0 : found->second;
}

std::size_t MemoryRegistry::openHandles() const {
    return handles_.size();
}

}  // namespace volmora::testing
