// Saving keys whole and putting them back.
#include "keySnapshot.h"

#include <algorithm>

#include "keyNameCase.h"
#include "toolText.h"

namespace volmora::config {

namespace {

long readTree(Registry& registry, KeyHandle key, SavedTree& tree) {
    for (std::uint32_t index = 0;; ++index) {
        SavedValue value;
        const long result = registry.enumValue(key, index, value.name, value.type, value.data);
        if (result == status::noMoreItems) {
            break;
        }
        if (result != status::success) {
            return result;
        }
        tree.values.push_back(std::move(value));
    }
    for (std::uint32_t index = 0;; ++index) {
        std::wstring name;
        long result = registry.enumKey(key, index, name);
        if (result == status::noMoreItems) {
            return status::success;
        }
        if (result != status::success) {
            return result;
        }
        RegKey subkey(registry);
        result = subkey.open(key, name, KeyAccess::read);
        if (result != status::success) {
            return result;
        }
        tree.subkeys.push_back({name, {}, {}});
        result = readTree(registry, subkey.handle(), tree.subkeys.back());
        if (result != status::success) {
            return result;
        }
    }
}

// Deletes the key at path below parent and everything below it; an absent key is no failure.
long deleteTree(Registry& registry, KeyHandle parent, const std::wstring& path) {
    RegKey key(registry);
    long result = key.open(parent, path, KeyAccess::allAccess);
    if (result == status::fileNotFound) {
        return status::success;
    }
    if (result != status::success) {
        return result;
    }
    std::vector<std::wstring> names;
    for (std::uint32_t index = 0;; ++index) {
        std::wstring name;
        result = registry.enumKey(key.handle(), index, name);
        if (result == status::noMoreItems) {
            break;
        }
        if (result != status::success) {
            return result;
        }
        names.push_back(std::move(name));
    }
    for (const std::wstring& name : names) {
        if ((result = deleteTree(registry, key.handle(), name)) != status::success) {
            return result;
        }
    }
    key.close();
    result = registry.deleteKey(parent, path);
    return result == status::fileNotFound ? status::success : result;
}

// Makes the open key hold exactly what tree holds; writes only what differs.
long converge(Registry& registry, KeyHandle key, const SavedTree& tree) {
    SavedTree now;
    long result = readTree(registry, key, now);
    if (result != status::success) {
        return result;
    }
    for (const SavedValue& value : now.values) {
        const bool kept =
            std::any_of(tree.values.begin(), tree.values.end(),
                        [&](const SavedValue& v) { return sameKeyName(v.name, value.name); });
        if (!kept && (result = registry.deleteValue(key, value.name)) != status::success) {
            return result;
        }
    }
    for (const SavedValue& value : tree.values) {
        const auto same =
            std::find_if(now.values.begin(), now.values.end(), [&](const SavedValue& v) {
                return v.name == value.name && v.type == value.type && v.data == value.data;
            });
        if (same == now.values.end() &&
            (result = registry.setValue(key, value.name, value.type, value.data.data(),
                                        static_cast<std::uint32_t>(value.data.size()))) !=
                status::success) {
            return result;
        }
    }
    for (const SavedTree& subkey : now.subkeys) {
        const bool kept =
            std::any_of(tree.subkeys.begin(), tree.subkeys.end(),
                        [&](const SavedTree& t) { return sameKeyName(t.name, subkey.name); });
        if (!kept && (result = deleteTree(registry, key, subkey.name)) != status::success) {
            return result;
        }
    }
    for (const SavedTree& subkey : tree.subkeys) {
        RegKey child(registry);
        if ((result = child.create(key, subkey.name)) != status::success ||
            (result = converge(registry, child.handle(), subkey)) != status::success) {
            return result;
        }
    }
    return status::success;
}

}  // namespace

std::wstring fullKeyName(KeyHandle root, const std::wstring& path) {
    return (root == classesRoot ? L"HKEY_CLASSES_ROOT\\" : L"HKEY_LOCAL_MACHINE\\") + path;
}

ReadFailure Snapshot::save(Registry& registry, KeyHandle root, const std::wstring& path) {
    if (!savedNames_.insert({root.value, upperKeyName(path)}).second) {
        return {};
    }
    // The keys on the way, from the second level down: the first (SOFTWARE, CLSID) is the
    // system's.
    for (std::size_t end = path.find(L'\\'); end != std::wstring::npos;
         end = path.find(L'\\', end + 1)) {
        if (path.find(L'\\') == end) {
            continue;
        }
        const std::wstring ancestor = path.substr(0, end);
        if (!checkedAncestors_.insert({root.value, upperKeyName(ancestor)}).second) {
            continue;
        }
        RegKey key(registry);
        const long result = key.open(root, ancestor, KeyAccess::read);
        if (result == status::fileNotFound) {
            missingAncestors_.push_back({root, ancestor});
        } else if (result != status::success) {
            return {result, L"Can't open " + quoted(fullKeyName(root, ancestor)) + L" key"};
        }
    }
    SavedKey key{root, path, false, {}};
    RegKey open(registry);
    long result = open.open(root, path, KeyAccess::read);
    if (result == status::success) {
        key.existed = true;
        result = readTree(registry, open.handle(), key.tree);
    }
    if (result != status::success && result != status::fileNotFound) {
        return {result, L"Can't read " + quoted(fullKeyName(root, path)) + L" key"};
    }
    keys_.push_back(std::move(key));
    return {};
}

std::vector<std::wstring> Snapshot::restore(Registry& registry) const {
    std::vector<std::wstring> failures;
    const auto note = [&](KeyHandle root, const std::wstring& path, long code) {
        failures.push_back(errorText(fullKeyName(root, path) + L": ", code));
    };
    for (auto key = keys_.rbegin(); key != keys_.rend(); ++key) {
        long result = status::success;
        if (!key->existed) {
            result = deleteTree(registry, key->root, key->path);
        } else {
            RegKey open(registry);
            result = open.create(key->root, key->path);
            if (result == status::success) {
                result = converge(registry, open.handle(), key->tree);
            }
        }
        if (result != status::success) {
            note(key->root, key->path, result);
        }
    }
    // Deepest first: each was noted after the keys above it.
    for (auto ancestor = missingAncestors_.rbegin(); ancestor != missingAncestors_.rend();
         ++ancestor) {
        const long result = registry.deleteKey(ancestor->root, ancestor->path);
        if (result != status::success && result != status::fileNotFound) {
            note(ancestor->root, ancestor->path, result);
        }
    }
    return failures;
}

}  // namespace volmora::config
