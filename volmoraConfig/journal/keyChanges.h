// What apply does to the registry, key by key: the writes it makes, and the state of each key it
// touches before the first write and after the last. A failed apply puts the states before back
// from these; so does recovering an apply that was ended part-way.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/configuration.h"
#include "registry.h"

namespace volmora::config {

// A value of any type, with its exact bytes.
struct SavedValue {
    std::wstring name;  // empty: the key's default value
    std::uint32_t type = valueType::none;
    std::vector<std::uint8_t> data;
    friend bool operator==(const SavedValue&, const SavedValue&) = default;
};

// A key as read: whether it exists, and then every value it holds, in the registry's order.
struct KeyState {
    bool exists = false;
    std::vector<SavedValue> values;
};

// The writes to one key, in order: the key is created or opened (with every missing key above
// it), its values in set are written and those in unset deleted; or, with remove, the key is
// deleted (it has no subkeys by then, and an absent key counts as deleted).
struct KeyWrite {
    KeyHandle root;     // localMachine or classesRoot, in this program's registry view
    std::wstring path;  // below root
    bool remove = false;
    std::vector<SavedValue> set;
    std::vector<std::wstring> unset;
    // The key as the plan read it, under the same lock: the state before, not read again.
    std::optional<KeyState> read;
};

// One key that the writes touch, or that creating another key makes on the way: its state before
// the first write and after the last.
struct KeyChange {
    KeyHandle root;
    std::wstring path;
    KeyState before;
    KeyState after;
};

// A key that one unit of writes owns: no other unit touches it or a key below it. knownMissing:
// the key was found missing when the writes were planned, so neither it nor a key below it is
// looked for again.
struct OwnedKey {
    KeyHandle root;
    std::wstring path;
    bool knownMissing = false;
};

// The writes of one record, with the keys it owns. Keys above those it owns may be passed on the
// way by many units; a key it writes, or one at or below a key it owns, no other unit touches.
struct WriteUnit {
    std::vector<KeyWrite> writes;
    std::vector<OwnedKey> owned;
};

// Writes made one unit at a time, so that they are never all held at once.
class WriteUnits {
  public:
    virtual ~WriteUnits() = default;
    // Calls each with every unit in order, until it returns false.
    virtual void forEach(const std::function<bool(const WriteUnit&)>& each) const = 0;
};

// Writes held whole, as one unit that owns nothing.
class WriteList : public WriteUnits {
  public:
    explicit WriteList(std::vector<KeyWrite> writes) { unit_.writes = std::move(writes); }
    void forEach(const std::function<bool(const WriteUnit&)>& each) const override { each(unit_); }
    bool empty() const { return unit_.writes.empty(); }

  private:
    WriteUnit unit_;
};

// Reads the key's state: 0 (also for a key that does not exist), or the failing call's status.
// With subkeys, also the names of the key's subkeys, in the registry's order.
long readKeyState(Registry& registry, KeyHandle root, const std::wstring& path, KeyState& state,
                  std::vector<std::wstring>* subkeys = nullptr);

// Reads the state before of every key that the writes touch, works out the state after them, and
// hands each key that they change to take, unit by unit: parents before their subkeys within a
// unit, and a key passed on the way by many units with the first. Missing keys on the way to a
// created key are included; keys that the writes leave as they were are not. A key below one
// found missing, or one its unit knows to be missing, is not read. Only the keys of one unit are
// held at a time, and the keys above units.
ReadFailure keyChanges(Registry& registry, const WriteUnits& writes,
                       const std::function<void(const KeyChange&)>& take);

// What putting the states before back did.
struct PutBack {
    std::vector<std::wstring> restored;   // keys written back ("HKEY_CLASSES_ROOT\...")
    std::vector<std::wstring> leftAlone;  // keys changed since, by someone else: "<key>: <why>"
    std::vector<std::wstring> failed;     // "<key>: error=<code>"
};

// Puts back the state before of every key that still holds, value by value, what was there
// before or what the writes made (a run ended between two writes of one key leaves a mix of
// both); a key that holds anything else was changed since by someone else and is left alone.
// So is a key to delete that still has a subkey (one made since, or one left alone itself), and
// a key to make again whose parent is gone. Keys are created parents first and deleted subkeys
// first, in whatever order changes lists them. Goes on past a failure.
PutBack putBack(Registry& registry, const std::vector<KeyChange>& changes);

}  // namespace volmora::config
