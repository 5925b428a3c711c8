// The states of the keys that apply touches, and putting the states before back.
#include "journal/keyChanges.h"

#include <algorithm>
#include <functional>
#include <set>
#include <utility>

#include "keyNameCase.h"
#include "toolText.h"
#include "toolUtil.h"

namespace volmora::config {

namespace {

std::size_t depthOf(std::wstring_view path) {
    return static_cast<std::size_t>(std::count(path.begin(), path.end(), L'\\'));
}

// Keys found by root and path as the registry compares names, each by a number its owner gives.
// A few keys (a record's) are looked through one by one, which seldom calls the system: names of
// other lengths differ without it. Past that they are kept in order.
class KeyIndex {
  public:
    using Root = std::function<KeyHandle(std::size_t)>;
    using Path = std::function<std::wstring_view(std::size_t)>;
    static constexpr std::size_t none = static_cast<std::size_t>(-1);

    KeyIndex(Root root, Path path)
        : root_(std::move(root)), path_(std::move(path)), sorted_(Order{this}) {}
    KeyIndex(const KeyIndex&) = delete;
    KeyIndex& operator=(const KeyIndex&) = delete;

    // The number of the key, or none.
    std::size_t find(KeyHandle root, std::wstring_view path) const {
        if (sorted_.empty()) {
            for (const std::size_t item : items_) {
                if (root_(item) == root && sameKeyName(path_(item), path)) {
                    return item;
                }
            }
            return none;
        }
        const auto found = sorted_.find(Name{root, path});
        return found == sorted_.end() ? none : *found;
    }
    void add(std::size_t item) {
        constexpr std::size_t mostLookedThrough = 16;
        if (sorted_.empty() && items_.size() < mostLookedThrough) {
            items_.push_back(item);
            return;
        }
        sorted_.insert(items_.begin(), items_.end());
        items_.clear();
        sorted_.insert(item);
    }
    void clear() {
        items_.clear();
        sorted_.clear();
    }

  private:
    struct Name {
        KeyHandle root;
        std::wstring_view path;
    };
    struct Order {
        using is_transparent = void;
        const KeyIndex* index;
        Name name(std::size_t item) const { return {index->root_(item), index->path_(item)}; }
        static Name name(const Name& given) { return given; }
        template <typename A, typename B>
        bool operator()(const A& a, const B& b) const {
            const Name x = name(a);
            const Name y = name(b);
            return x.root.value != y.root.value ? x.root.value < y.root.value
                                                : keyNameLess(x.path, y.path);
        }
    };

    Root root_;
    Path path_;
    std::vector<std::size_t> items_;
    std::set<std::size_t, Order> sorted_;
};

// Calls each with every key above path, from the first level down, until it returns false;
// whether none did.
template <typename Each>
bool forEachKeyAbove(std::wstring_view path, Each each) {
    for (std::size_t end = path.find(L'\\'); end != std::wstring_view::npos;
         end = path.find(L'\\', end + 1)) {
        if (!each(path.substr(0, end))) {
            return false;
        }
    }
    return true;
}

// Whether path names key, or a key below it, as the registry compares names.
bool atOrBelow(std::wstring_view path, std::wstring_view key) {
    return path.size() >= key.size() && sameKeyName(path.substr(0, key.size()), key) &&
           (path.size() == key.size() || path[key.size()] == L'\\');
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

// Why a key to delete stays for its subkey: one that the changes name was left alone or not put
// back, any other was made since.
std::wstring subkeyKept(const std::vector<KeyChange>& changes, const KeyChange& change,
                        const std::wstring& subkey) {
    const std::wstring path = change.path + L"\\" + subkey;
    const bool named = std::any_of(changes.begin(), changes.end(), [&](const KeyChange& other) {
        return other.root == change.root && sameKeyName(other.path, path);
    });
    return named ? L"its subkey " + quoted(subkey) + L" stays"
                 : L"its subkey " + quoted(subkey) + L" was created since";
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

long readKeyState(Registry& registry, KeyHandle root, const std::wstring& path, KeyState& state,
                  std::vector<std::wstring>* subkeys) {
    state = {};
    if (subkeys != nullptr) {
        subkeys->clear();
    }
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
            break;
        }
        if (result != status::success) {
            return result;
        }
        state.values.push_back(std::move(value));
    }
    for (std::uint32_t index = 0; subkeys != nullptr; ++index) {
        std::wstring name;
        const long result = registry.enumKey(key.handle(), index, name);
        if (result == status::noMoreItems) {
            break;
        }
        if (result != status::success) {
            return result;
        }
        subkeys->push_back(std::move(name));
    }
    return status::success;
}

ReadFailure keyChanges(Registry& registry, const WriteUnits& writes,
                       const std::function<void(const KeyChange&)>& take) {
    // Keys passed on the way that no unit owns, with whether they were there before: each is
    // read and handed on once, by the first unit that passes it.
    struct Above {
        KeyHandle root;
        std::wstring path;
        bool existed;
    };
    std::vector<Above> above;
    KeyIndex aboveIndex([&](std::size_t i) { return above[i].root; },
                        [&](std::size_t i) { return std::wstring_view(above[i].path); });
    // The keys of the unit at hand: their changes, and which of them lie above units.
    std::vector<KeyChange> changes;
    std::vector<bool> isAbove;
    KeyIndex index([&](std::size_t i) { return changes[i].root; },
                   [&](std::size_t i) { return std::wstring_view(changes[i].path); });
    std::vector<std::pair<std::size_t, std::size_t>> byDepth;
    ReadFailure failure;
    writes.forEach([&](const WriteUnit& unit) {
        changes.clear();
        isAbove.clear();
        index.clear();
        const auto ownedBy = [&](KeyHandle root, std::wstring_view path) -> const OwnedKey* {
            for (const OwnedKey& own : unit.owned) {
                if (own.root == root && atOrBelow(path, own.path)) {
                    return &own;
                }
            }
            return nullptr;
        };
        // Whether the key was missing before, as far as it is known without reading it.
        const auto knownMissing = [&](KeyHandle root, std::wstring_view path) {
            if (const OwnedKey* own = ownedBy(root, path); own != nullptr && own->knownMissing) {
                return true;
            }
            const std::size_t parentEnd = path.rfind(L'\\');
            if (parentEnd == std::wstring_view::npos) {
                return false;
            }
            const std::wstring_view parent = path.substr(0, parentEnd);
            if (const std::size_t found = index.find(root, parent); found != KeyIndex::none) {
                return !changes[found].before.exists;
            }
            const std::size_t found = aboveIndex.find(root, parent);
            return found != KeyIndex::none && !above[found].existed;
        };
        const auto note = [&](KeyHandle root, std::wstring_view path, bool onTheWay,
                              const std::optional<KeyState>& read) {
            if (index.find(root, path) != KeyIndex::none) {
                return true;
            }
            if (aboveIndex.find(root, path) != KeyIndex::none) {
                if (onTheWay) {
                    return true;
                }
                // A unit writes a key that another passed on the way, whose change is handed on
                // already: the units are not what they say they are.
                raiseToolError(status::invalidParameter, L"Two parts of the apply touch " +
                                                             fullKeyName(root, std::wstring(path)));
            }
            KeyChange change{root, std::wstring(path), {}, {}};
            if (read) {
                change.before = *read;
            } else if (!knownMissing(root, path)) {
                if (const long result = readKeyState(registry, root, change.path, change.before);
                    result) {
                    failure = {result,
                               L"Can't read " + quoted(fullKeyName(root, change.path)) + L" key"};
                    return false;
                }
            }
            change.after = change.before;
            isAbove.push_back(onTheWay && ownedBy(root, path) == nullptr);
            changes.push_back(std::move(change));
            index.add(changes.size() - 1);
            return true;
        };
        for (const KeyWrite& write : unit.writes) {
            const std::wstring_view path = write.path;
            // The keys on the way, which creating the key makes where they are missing.
            if (!write.remove && !forEachKeyAbove(path, [&](std::wstring_view onTheWay) {
                    return note(write.root, onTheWay, true, std::nullopt);
                })) {
                return false;
            }
            if (!note(write.root, path, false, write.read)) {
                return false;
            }
        }
        for (const KeyWrite& write : unit.writes) {
            const std::wstring_view path = write.path;
            if (!write.remove) {
                forEachKeyAbove(path, [&](std::wstring_view onTheWay) {
                    if (const std::size_t on = index.find(write.root, onTheWay);
                        on != KeyIndex::none) {
                        changes[on].after.exists = true;
                    }
                    return true;
                });
            }
            applyWrite(changes[index.find(write.root, path)].after, write);
        }
        // Parents before their subkeys; a key that the writes leave as it was (one on the way
        // that exists, or one written with what it holds) needs nothing put back.
        byDepth.clear();
        for (std::size_t i = 0; i < changes.size(); ++i) {
            byDepth.emplace_back(depthOf(changes[i].path), i);
        }
        std::stable_sort(byDepth.begin(), byDepth.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [depth, i] : byDepth) {
            if (!sameState(changes[i].before, changes[i].after)) {
                take(changes[i]);
            }
        }
        for (std::size_t i = 0; i < changes.size(); ++i) {
            if (isAbove[i]) {
                above.push_back(
                    {changes[i].root, std::move(changes[i].path), changes[i].before.exists});
                aboveIndex.add(above.size() - 1);
            }
        }
        return true;
    });
    return failure;
}

PutBack putBack(Registry& registry, const std::vector<KeyChange>& changes) {
    PutBack done;
    std::vector<const KeyChange*> byDepth;
    for (const KeyChange& change : changes) {
        byDepth.push_back(&change);
    }
    std::stable_sort(byDepth.begin(), byDepth.end(), [](const KeyChange* a, const KeyChange* b) {
        return depthOf(a->path) < depthOf(b->path);
    });
    std::vector<const KeyChange*> toDelete;
    // Parents first: a key that existed is made again before its subkeys.
    for (const KeyChange* listed : byDepth) {
        const KeyChange& change = *listed;
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
        // Making a key again makes every missing key above it: not where someone removed them.
        if (!now.exists) {
            if (const std::size_t end = change.path.rfind(L'\\'); end != std::wstring::npos) {
                KeyState parent;
                const long result =
                    readKeyState(registry, change.root, change.path.substr(0, end), parent);
                if (result != status::success) {
                    done.failed.push_back(errorText(name + L": ", result));
                    continue;
                }
                if (!parent.exists) {
                    done.leftAlone.push_back(name + L": the key above it was deleted since");
                    continue;
                }
            }
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
    // Subkeys first. A key that still has a subkey by its turn holds what someone else made, or
    // what was left alone below it: it stays.
    for (auto change = toDelete.rbegin(); change != toDelete.rend(); ++change) {
        const std::wstring name = fullKeyName((*change)->root, (*change)->path);
        KeyState now;
        std::vector<std::wstring> subkeys;
        if (const long result =
                readKeyState(registry, (*change)->root, (*change)->path, now, &subkeys);
            result) {
            done.failed.push_back(errorText(name + L": ", result));
            continue;
        }
        if (!subkeys.empty()) {
            done.leftAlone.push_back(name + L": " + subkeyKept(changes, **change, subkeys.front()));
            continue;
        }
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
