// An in-memory registry for unit tests that behaves like the Windows registry in what the tools use.
#include "memoryRegistry.h"

#include <algorithm>
#include <cwctype>

#include "utf16.h"

namespace volmora::testing {

namespace {

constexpr long invalidHandle = 6;
constexpr long badPathname = 161;
constexpr long keyDeleted = 1018;
constexpr std::size_t maxKeyNameLength = 255;

std::wstring upper(const std::wstring& text) {
    std::wstring result(text);
    for (auto& c : result) {
        c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
    }
    return result;
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
        case RegistryCall::createKey: return "createKey";
        case RegistryCall::openKey: return "openKey";
        case RegistryCall::closeKey: return "closeKey";
        case RegistryCall::enumKey: return "enumKey";
        case RegistryCall::deleteKey: return "deleteKey";
        case RegistryCall::setValue: return "setValue";
        case RegistryCall::queryValue: return "queryValue";
        case RegistryCall::queryDefaultValue: return "queryDefaultValue";
        case RegistryCall::setDefaultValue: return "setDefaultValue";
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
      roots_{Handle{classesRoot_, true}, Handle{currentUser_, true}, Handle{localMachine_, true}} {}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Handle* MemoryRegistry::handle(KeyHandle key) {
    if (key == volmora::classesRoot) return &roots_[0];
    if (key == volmora::currentUser) return &roots_[1];
    if (key == volmora::localMachine) return &roots_[2];
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
    std::wstring line = std::wstring(callName(call), callName(call) + std::char_traits<char>::length(callName(call)));
    calls_.push_back(line + L" " + target);
    auto wanted = upper(target);
    for (auto it = injections_.begin(); it != injections_.end(); ++it) {
        if (it->call == call && upper(it->target) == wanted) {
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

std::shared_ptr<MemoryRegistry::Key> MemoryRegistry::findShared(const std::shared_ptr<Key>& from,
                                                                const std::wstring& path) const {
    std::shared_ptr<Key> key = from;
    for (const auto& part : components(path)) {
        auto found = key->subkeys.find(upper(part));
        if (found == key->subkeys.end()) {
            return nullptr;
        }
        key = found->second;
    }
    return key;
}

MemoryRegistry::Key* MemoryRegistry::find(Key* from, const std::wstring& path) const {
    Key* key = from;
    for (const auto& part : components(path)) {
        auto found = key->subkeys.find(upper(part));
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

long MemoryRegistry::createPath(const std::shared_ptr<Key>& from, const std::wstring& path,
                                std::shared_ptr<Key>& created) {
    auto parts = components(path);
    for (const auto& part : parts) {
        if (part.size() > maxKeyNameLength) {
            return status::invalidParameter;
        }
    }
    std::shared_ptr<Key> key = from;
    for (const auto& part : parts) {
        auto& slot = key->subkeys[upper(part)];
        if (!slot) {
            slot = std::make_shared<Key>();
            slot->name = part;
            slot->path = key->path + L"\\" + part;
            slot->parent = key.get();
        }
        key = slot;
    }
    created = key;
    return status::success;
}

long MemoryRegistry::createKey(KeyHandle parent, const std::wstring& path, KeyHandle& key) {
    Handle* from = handle(parent);
    if (from == nullptr) return invalidHandle;
    if (auto code = injected(RegistryCall::createKey, joinPath(from->key->path, path))) return *code;
    if (from->key->deleted) return keyDeleted;
    if (!path.empty() && path.front() == L'\\') return badPathname;
    if (!from->writable) return status::accessDenied;
    std::shared_ptr<Key> created;
    long result = createPath(from->key, path, created);
    if (result != status::success) return result;
    key = newHandle(created, true);
    return status::success;
}

long MemoryRegistry::openKey(KeyHandle parent, const std::wstring& path, KeyAccess access,
                             KeyHandle& key) {
    Handle* from = handle(parent);
    if (from == nullptr) return invalidHandle;
    if (auto code = injected(RegistryCall::openKey, joinPath(from->key->path, path))) return *code;
    if (from->key->deleted) return keyDeleted;
    for (const auto& part : components(path)) {
        if (part.size() > maxKeyNameLength) return status::invalidParameter;
    }
    auto found = findShared(from->key, path);
    if (!found) return status::fileNotFound;
    key = newHandle(found, access == KeyAccess::allAccess);
    return status::success;
}

long MemoryRegistry::closeKey(KeyHandle key) {
    auto found = handles_.find(key.value);
    if (found == handles_.end()) {
        return handle(key) ? status::success : invalidHandle;
    }
    if (auto code = injected(RegistryCall::closeKey, found->second.key->path)) return *code;
    handles_.erase(found);
    return status::success;
}

long MemoryRegistry::enumKey(KeyHandle key, std::uint32_t index, std::wstring& name) {
    Handle* from = handle(key);
    if (from == nullptr) return invalidHandle;
    if (auto code = injected(RegistryCall::enumKey, from->key->path)) return *code;
    if (from->key->deleted) return keyDeleted;
    if (index >= from->key->subkeys.size()) return status::noMoreItems;
    auto it = from->key->subkeys.begin();
    std::advance(it, index);
    name = it->second->name;
    return status::success;
}

long MemoryRegistry::deleteKey(KeyHandle parent, const std::wstring& path) {
    Handle* from = handle(parent);
    if (from == nullptr) return invalidHandle;
    if (auto code = injected(RegistryCall::deleteKey, joinPath(from->key->path, path))) return *code;
    if (from->key->deleted) return keyDeleted;
    Key* target = find(from->key.get(), path);
    if (target == nullptr) return status::fileNotFound;
    if (target->parent == nullptr) return status::accessDenied;
    if (!target->subkeys.empty()) return status::accessDenied;
    auto& siblings = target->parent->subkeys;
    auto self = siblings.find(upper(target->name));
    self->second->deleted = true;
    siblings.erase(self);
    return status::success;
}

long MemoryRegistry::setValue(KeyHandle key, const std::wstring& name, std::uint32_t type,
                              const std::uint8_t* data, std::uint32_t size) {
    Handle* target = handle(key);
    if (target == nullptr) return invalidHandle;
    if (auto code = injected(RegistryCall::setValue, target->key->path + L"@" + name)) return *code;
    if (target->key->deleted) return keyDeleted;
    if (!target->writable) return status::accessDenied;
    StoredValue value{type, std::vector<std::uint8_t>(data, data + size)};
    target->key->values[upper(name)] = {name, std::move(value)};
    return status::success;
}

long MemoryRegistry::queryValue(KeyHandle key, const std::wstring& name, std::uint32_t* type,
                                std::uint8_t* data, std::uint32_t* size) {
    Handle* target = handle(key);
    if (target == nullptr) return invalidHandle;
    if (auto code = injected(RegistryCall::queryValue, target->key->path + L"@" + name)) return *code;
    if (target->key->deleted) return keyDeleted;
    auto found = target->key->values.find(upper(name));
    if (found == target->key->values.end()) return status::fileNotFound;
    const StoredValue& stored = found->second.second;
    if (type != nullptr) *type = stored.type;
    auto needed = static_cast<std::uint32_t>(stored.data.size());
    if (data == nullptr) {
        if (size != nullptr) *size = needed;
        return status::success;
    }
    if (size == nullptr) return status::invalidParameter;
    if (*size < needed) {
        *size = needed;
        return status::moreData;
    }
    std::copy(stored.data.begin(), stored.data.end(), data);
    *size = needed;
    return status::success;
}

long MemoryRegistry::queryDefaultValue(KeyHandle key, const std::wstring& subkey,
                                       std::uint8_t* data, std::uint32_t* size) {
    Handle* from = handle(key);
    if (from == nullptr) return invalidHandle;
    if (auto code = injected(RegistryCall::queryDefaultValue, joinPath(from->key->path, subkey) + L"@"))
        return *code;
    Key* target = find(from->key.get(), subkey);
    if (target == nullptr) return status::fileNotFound;
    auto found = target->values.find(L"");
    if (found == target->values.end()) {
        // Like RegQueryValueW: a key without a default value reads as an empty text.
        if (data != nullptr && size != nullptr && *size >= 2) {
            data[0] = data[1] = 0;
        }
        if (size != nullptr) *size = 2;
        return status::success;
    }
    const StoredValue& stored = found->second.second;
    auto needed = static_cast<std::uint32_t>(stored.data.size());
    if (data == nullptr) {
        if (size != nullptr) *size = needed;
        return status::success;
    }
    if (size == nullptr) return status::invalidParameter;
    if (*size < needed) {
        *size = needed;
        return status::moreData;
    }
    std::copy(stored.data.begin(), stored.data.end(), data);
    *size = needed;
    return status::success;
}

long MemoryRegistry::setDefaultValue(KeyHandle key, const std::wstring& subkey,
                                     const std::wstring& text) {
    Handle* from = handle(key);
    if (from == nullptr) return invalidHandle;
    if (auto code = injected(RegistryCall::setDefaultValue, joinPath(from->key->path, subkey) + L"@"))
        return *code;
    if (from->key->deleted) return keyDeleted;
    if (!from->writable) return status::accessDenied;
    std::shared_ptr<Key> target;
    long result = createPath(from->key, subkey, target);
    if (result != status::success) return result;
    target->values[L""] = {L"", StoredValue{valueType::sz, utf16Bytes(text)}};
    return status::success;
}

MemoryRegistry::Key* MemoryRegistry::rootOf(const std::wstring& path, std::wstring& rest) const {
    auto parts = components(path);
    if (parts.empty()) return nullptr;
    auto head = upper(parts.front());
    rest = path.size() > parts.front().size() ? path.substr(parts.front().size() + 1) : L"";
    if (head == L"HKCR") return classesRoot_.get();
    if (head == L"HKCU") return currentUser_.get();
    if (head == L"HKLM") return localMachine_.get();
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
    if (key == nullptr) return std::nullopt;
    auto found = key->values.find(upper(name));
    if (found == key->values.end()) return std::nullopt;
    return found->second.second;
}

std::optional<std::wstring> MemoryRegistry::text(const std::wstring& path,
                                                 const std::wstring& name) const {
    auto stored = value(path, name);
    if (!stored || stored->type != valueType::sz) return std::nullopt;
    std::size_t count = stored->data.size() / 2;
    if (count > 0 && stored->data[2 * count - 2] == 0 && stored->data[2 * count - 1] == 0) --count;
    return textFromUtf16(stored->data.data(), count);
}

void MemoryRegistry::putKey(const std::wstring& path) {
    std::wstring rest;
    Key* root = rootOf(path, rest);
    auto& shared = root == classesRoot_.get()   ? classesRoot_
                   : root == currentUser_.get() ? currentUser_
                                                : localMachine_;
    std::shared_ptr<Key> created;
    createPath(shared, rest, created);
}

void MemoryRegistry::putValue(const std::wstring& path, const std::wstring& name,
                              StoredValue value) {
    putKey(path);
    std::wstring rest;
    Key* key = find(rootOf(path, rest), rest);
    key->values[upper(name)] = {name, std::move(value)};
}

void MemoryRegistry::putText(const std::wstring& path, const std::wstring& name,
                             const std::wstring& text) {
    putValue(path, name, StoredValue{valueType::sz, utf16Bytes(text)});
}

void MemoryRegistry::removeValue(const std::wstring& path, const std::wstring& name) {
    std::wstring rest;
    Key* root = rootOf(path, rest);
    Key* key = root ? find(root, rest) : nullptr;
    if (key != nullptr) key->values.erase(upper(name));
}

std::wstring MemoryRegistry::dump(const std::wstring& path) const {
    std::wstring rest;
    Key* root = rootOf(path, rest);
    Key* start = root ? find(root, rest) : nullptr;
    std::wstring out;
    if (start == nullptr) return out;
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

std::size_t MemoryRegistry::openHandles() const { return handles_.size(); }

}  // namespace volmora::testing
