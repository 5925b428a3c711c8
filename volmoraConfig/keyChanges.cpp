// The states of the keys that apply touches, and putting the states before back.
#include "keyChanges.h"

#include <algorithm>
#include <map>
#include <utility>

#include "keyNameCase.h"
#include "toolText.h"

namespace volmora::config {

namespace {

// A key by its root and its path, compared as the registry compares names.
struct KeyName {
    std::uintptr_t root;
    std::wstring path;
};
struct KeyNameOrder {
    bool operator()(const KeyName& a, const KeyName& b) const {
        return a.root != b.root ? a.root < b.root : keyNameLess(a.path, b.path);
    }
};

std::size_t depthOf(const std::wstring& path) {
    return static_cast<std::size_t>(std::count(path.begin(), path.end(), L'\\'));
}

std::vector<SavedValue>::iterator findSaved(std::vector<SavedValue>& values,
                                            std::wstring_view name) {
    return std::find_if(values.begin(), values.end(),
                        [&](const SavedValue& value) { return sameKeyName(value.name, name); });
}

const SavedValue* findSaved(const std::vector<SavedValue>& values, std::wstring_view name) {
    const auto found = std::find_if(values.begin(), values.end(), [&](const SavedValue& value) {
        return sameKeyName(value.name, name);
    });
    return found == values.end() ? nullptr : &*found;
}

void applyWrite(KeyState& state, const KeyWrite& write) {
    if (write.remove) {
        state = {};
        return;
    }
    state.exists = true;
    for (const SavedValue& value : write.set) {
        if (const auto found = findSaved(state.values, value.name); found != state.values.end()) {
            // A value that is there keeps its name, as the registry keeps it.
            found->type = value.type;
            found->data = value.data;
        } else {
            state.values.push_back(value);
        }
    }
    for (const std::wstring& name : write.unset) {
        if (const auto found = findSaved(state.values, name); found != state.values.end()) {
            state.values.erase(found);
        }
    }
}

// Whether a value, present or not, is what it was before or what the writes made of it.
bool valueIsOurs(const SavedValue* now, const SavedValue* before, const SavedValue* after) {
    const auto same = [](const SavedValue* a, const SavedValue* b) {
        return a == nullptr ? b == nullptr
                            : b != nullptr && a->type == b->type && a->data == b->data;
    };
    return same(now, before) || same(now, after);
}

// Why the key as it is now was not left so by the writes, or empty when it was.
std::wstring changedSince(const KeyChange& change, const KeyState& now) {
    if (now.exists != change.before.exists && now.exists != change.after.exists) {
        return now.exists ? L"it was created since" : L"it was deleted since";
    }
    if (!now.exists) {
        return {};
    }
    std::vector<std::wstring_view> names;
    for (const auto* values : {&now.values, &change.before.values, &change.after.values}) {
        for (const SavedValue& value : *values) {
            names.push_back(value.name);
        }
    }
    for (const std::wstring_view name : names) {
        if (!valueIsOurs(findSaved(now.values, name), findSaved(change.before.values, name),
                         findSaved(change.after.values, name))) {
            return L"its value " + quoted(name.empty() ? std::wstring_view(L"(default)") : name) +
                   L" was changed since";
        }
    }
    return {};
}

bool sameState(const KeyState& a, const KeyState& b) {
    if (a.exists != b.exists || a.values.size() != b.values.size()) {
        return false;
    }
    return std::all_of(a.values.begin(), a.values.end(), [&](const SavedValue& value) {
        const SavedValue* other = findSaved(b.values, value.name);
        return other != nullptr && other->name == value.name && other->type == value.type &&
               other->data == value.data;
    });
}

// Makes an existing key hold exactly the values of state.
long writeValues(Registry& registry, KeyHandle key, const KeyState& now, const KeyState& state) {
    for (const SavedValue& value : now.values) {
        const SavedValue* wanted = findSaved(state.values, value.name);
        // A name in another letter case is written anew, so that it is stored as it was.
        if (wanted == nullptr || wanted->name != value.name) {
            if (const long result = registry.deleteValue(key, value.name);
                result != status::success && result != status::fileNotFound) {
                return result;
            }
        }
    }
    for (const SavedValue& value : state.values) {
        const SavedValue* current = findSaved(now.values, value.name);
        if (current != nullptr && current->name == value.name && current->type == value.type &&
            current->data == value.data) {
            continue;
        }
        if (const long result = registry.setValue(key, value.name, value.type, value.data.data(),
                                                  static_cast<std::uint32_t>(value.data.size()));
            result != status::success) {
            return result;
        }
    }
    return status::success;
}

}  // namespace

std::wstring fullKeyName(KeyHandle root, const std::wstring& path) {
    return (root == classesRoot ? L"HKEY_CLASSES_ROOT\\" : L"HKEY_LOCAL_MACHINE\\") + path;
}

long readKeyState(Registry& registry, KeyHandle root, const std::wstring& path, KeyState& state) {
    state = {};
    RegKey key(registry);
    if (const long opened = key.open(root, path, KeyAccess::read); opened != status::success) {
        return opened == status::fileNotFound ? status::success : opened;
    }
    state.exists = true;
    for (std::uint32_t index = 0;; ++index) {
        SavedValue value;
        const long result =
            registry.enumValue(key.handle(), index, value.name, value.type, value.data);
        if (result == status::noMoreItems) {
            return status::success;
        }
        if (result != status::success) {
            return result;
        }
        state.values.push_back(std::move(value));
    }
}

ReadFailure keyChanges(Registry& registry, const std::vector<KeyWrite>& writes,
                       std::vector<KeyChange>& changes) {
    changes.clear();
    std::map<KeyName, std::size_t, KeyNameOrder> index;
    const auto note = [&](KeyHandle root, const std::wstring& path) -> ReadFailure {
        if (!index.emplace(KeyName{root.value, path}, changes.size()).second) {
            return {};
        }
        KeyChange change{root, path, {}, {}};
        if (const long result = readKeyState(registry, root, path, change.before); result) {
            return {result, L"Can't read " + quoted(fullKeyName(root, path)) + L" key"};
        }
        change.after = change.before;
        changes.push_back(std::move(change));
        return {};
    };
    for (const KeyWrite& write : writes) {
        if (!write.remove) {
            // The keys on the way, which creating the key makes where they are missing.
            for (std::size_t end = write.path.find(L'\\'); end != std::wstring::npos;
                 end = write.path.find(L'\\', end + 1)) {
                if (ReadFailure failure = note(write.root, write.path.substr(0, end));
                    failure.code) {
                    return failure;
                }
            }
        }
        if (ReadFailure failure = note(write.root, write.path); failure.code) {
            return failure;
        }
    }
    for (const KeyWrite& write : writes) {
        if (!write.remove) {
            for (std::size_t end = write.path.find(L'\\'); end != std::wstring::npos;
                 end = write.path.find(L'\\', end + 1)) {
                const auto above = index.find(KeyName{write.root.value, write.path.substr(0, end)});
                if (above != index.end()) {
                    changes[above->second].after.exists = true;
                }
            }
        }
        applyWrite(changes[index.at(KeyName{write.root.value, write.path})].after, write);
    }
    // A key that the writes leave as it was (one on the way that exists, or one written with
    // what it holds) needs nothing put back.
    std::erase_if(changes,
                  [](const KeyChange& change) { return sameState(change.before, change.after); });
    std::stable_sort(changes.begin(), changes.end(), [](const KeyChange& a, const KeyChange& b) {
        return depthOf(a.path) < depthOf(b.path);
    });
    return {};
}

PutBack putBack(Registry& registry, const std::vector<KeyChange>& changes) {
    PutBack done;
    std::vector<const KeyChange*> toDelete;
    // Parents first: a key that existed is made again before its subkeys.
    for (const KeyChange& change : changes) {
        const std::wstring name = fullKeyName(change.root, change.path);
        KeyState now;
        if (const long result = readKeyState(registry, change.root, change.path, now); result) {
            done.failed.push_back(errorText(name + L": ", result));
            continue;
        }
        if (sameState(now, change.before)) {
            continue;
        }
        if (std::wstring why = changedSince(change, now); !why.empty()) {
            done.leftAlone.push_back(name + L": " + why);
            continue;
        }
        if (!change.before.exists) {
            toDelete.push_back(&change);
            continue;
        }
        RegKey key(registry);
        long result = key.create(change.root, change.path);
        if (result == status::success) {
            result = writeValues(registry, key.handle(), now, change.before);
        }
        if (result != status::success) {
            done.failed.push_back(errorText(name + L": ", result));
        } else {
            done.restored.push_back(name);
        }
    }
    // Subkeys first.
    for (auto change = toDelete.rbegin(); change != toDelete.rend(); ++change) {
        const std::wstring name = fullKeyName((*change)->root, (*change)->path);
        const long result = registry.deleteKey((*change)->root, (*change)->path);
        if (result != status::success && result != status::fileNotFound) {
            done.failed.push_back(errorText(name + L": ", result));
        } else {
            done.restored.push_back(name);
        }
    }
    return done;
}

}  // namespace volmora::config
