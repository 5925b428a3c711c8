// Keys saved whole before apply's first write, and put back as they were when a write fails:
// every value of every type, every subkey, and whether the key and the keys above it existed.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "configuration.h"
#include "registry.h"

namespace volmora::config {

struct SavedValue {
    std::wstring name;
    std::uint32_t type = valueType::none;
    std::vector<std::uint8_t> data;
};

struct SavedTree {
    std::wstring name;
    std::vector<SavedValue> values;
    std::vector<SavedTree> subkeys;
};

struct SavedKey {
    KeyHandle root;
    std::wstring path;
    bool existed = false;
    SavedTree tree;  // when it existed
};

class Snapshot {
  public:
    // Saves the key at path below root with everything below it, and notes which keys on the way
    // to it (below the root's first level) do not exist, so that a restore removes them again. A
    // key saved before, in any letter case, is not saved again.
    ReadFailure save(Registry& registry, KeyHandle root, const std::wstring& path);

    // Puts every saved key back as it was, the last saved first, and removes the keys on the way
    // that did not exist. Goes on past a failure; returns one line per key it could not restore
    // ("HKEY_CLASSES_ROOT\...: error=1021"), empty when all is back.
    std::vector<std::wstring> restore(Registry& registry) const;

  private:
    struct Ancestor {
        KeyHandle root;
        std::wstring path;
    };
    // A key by its root and the upper-case form of its path: what was saved, and which keys on
    // the way were looked at, so that each is read once however many keys lie below it.
    using KeyName = std::pair<std::uintptr_t, std::wstring>;

    std::vector<SavedKey> keys_;
    std::vector<Ancestor> missingAncestors_;
    std::set<KeyName> savedNames_;
    std::set<KeyName> checkedAncestors_;
};

// "HKEY_LOCAL_MACHINE\path" or "HKEY_CLASSES_ROOT\path".
std::wstring fullKeyName(KeyHandle root, const std::wstring& path);

}  // namespace volmora::config
