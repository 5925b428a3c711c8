// Planning a restore: the key-by-key difference between the machine and a backup's states before.
#include "plan/restorePlan.h"

#include <algorithm>
#include <map>

#include "classKeys.h"
#include "classRecord.h"
#include "journal/journaledWrites.h"
#include "keyNameCase.h"
#include "plan/planText.h"
#include "progIdSharing.h"
#include "regUtil.h"
#include "toolText.h"

namespace volmora::config {

namespace {

constexpr std::wstring_view defaultValueName = L"(default)";

const SavedValue* findSaved(const std::vector<SavedValue>& values, const std::wstring& name) {
    const auto found = std::find_if(values.begin(), values.end(),
                                    [&](const SavedValue& v) { return sameName(v.name, name); });
    return found == values.end() ? nullptr : &*found;
}

ShownValue shown(const SavedValue* value) {
    if (value == nullptr) {
        return ShownValue::none();
    }
    if (value->type == valueType::sz) {
        return ShownValue::ofText(
            textFromData(value->data, static_cast<std::uint32_t>(value->data.size())));
    }
    return ShownValue::ofOther(shownValue(*value));
}

PlanDetail changeOf(const std::wstring& name, const SavedValue* now, const SavedValue* wanted) {
    return {{}, name, shown(now), shown(wanted)};
}

// A key that the backup says was not there, and that is there now, as it is now.
struct Removal {
    const KeyChange* change;
    KeyState now;
    std::vector<std::wstring> subkeys;
    std::wstring why;  // empty: it is deleted; else why it is left alone
};

// Keys by root and path, as the registry compares names.
struct KeyName {
    KeyHandle root;
    std::wstring_view path;
    bool operator<(const KeyName& other) const {
        return root.value != other.root.value ? root.value < other.root.value
                                              : keyNameLess(path, other.path);
    }
};

// Which keys restore deletes, taken in order (subkeys first): a key that holds a value the backup
// does not name, or a subkey that is not deleted before it, was changed since by someone else and
// is left alone, as recover leaves it; deleting it would take what is theirs, or fail.
void decideRemovals(const Journal& backup, std::vector<Removal>& removals,
                    const std::vector<std::size_t>& order) {
    std::map<KeyName, bool> named;  // every key of the backup: whether it is deleted
    for (const KeyChange& change : backup.changes) {
        named.emplace(KeyName{change.root, change.path}, false);
    }
    for (const std::size_t i : order) {
        Removal& removal = removals[i];
        const KeyChange& change = *removal.change;
        for (const SavedValue& value : removal.now.values) {
            if (findSaved(change.after.values, value.name) == nullptr) {
                removal.why =
                    L"its value " +
                    quoted(value.name.empty() ? std::wstring(defaultValueName) : value.name) +
                    L" was created since";
                break;
            }
        }
        for (const std::wstring& subkey : removal.subkeys) {
            if (!removal.why.empty()) {
                break;
            }
            const std::wstring path = change.path + L"\\" + subkey;
            const auto found = named.find(KeyName{change.root, path});
            if (found == named.end()) {
                removal.why = L"its subkey " + quoted(subkey) + L" was created since";
            } else if (!found->second) {
                removal.why = L"its subkey " + quoted(subkey) + L" stays";
            }
        }
        if (removal.why.empty()) {
            named[KeyName{change.root, change.path}] = true;
        }
    }
}

}  // namespace

std::wstring shownValue(const SavedValue& value) {
    if (value.type == valueType::sz || value.type == valueType::expandSz) {
        const std::wstring text =
            quoted(textFromData(value.data, static_cast<std::uint32_t>(value.data.size())));
        return value.type == valueType::sz ? text : L"REG_EXPAND_SZ " + text;
    }
    if (value.type == valueType::dword && value.data.size() == 4) {
        const std::uint32_t number = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                     static_cast<std::uint32_t>(value.data[3]) << 24;
        return L"REG_DWORD 0x" + hexNumber(static_cast<std::int32_t>(number));
    }
    return L"type " + decimal(value.type) + L", " +
           decimal(static_cast<std::int64_t>(value.data.size())) + L" bytes";
}

std::size_t RestorePlan::count(ChangeKind kind) const {
    return static_cast<std::size_t>(std::count_if(
        keys.begin(), keys.end(), [kind](const PlannedKey& key) { return key.kind == kind; }));
}

void keepTheOtherViewsProgIdKeys(const Configuration& otherView, Journal& backup,
                                 std::vector<std::wstring>& kept) {
    ProgIdKeyOwners owners;
    for (const Record& record : otherView.classes) {
        if (const std::wstring_view* progId = findValue(record, recordValue::progId)) {
            owners.add(*progId, record.name);
        }
    }
    const std::wstring comClasses = classKeys(L"", L"").comClass.path;
    std::erase_if(backup.changes, [&](const KeyChange& change) {
        if (change.root != classesRoot) {
            return false;
        }
        const std::wstring top = change.path.substr(0, change.path.find(L'\\'));
        if (sameName(top + L"\\", comClasses) || owners.ownersOf(top).empty()) {
            return false;
        }
        const std::wstring name = fullKeyName(classesRoot, top);
        if (std::none_of(kept.begin(), kept.end(),
                         [&](const std::wstring& k) { return sameName(k, name); })) {
            kept.push_back(name);
        }
        return true;
    });
}

ReadFailure planRestore(Registry& registry, const Journal& backup, std::vector<KeyWrite>& writes,
                        RestorePlan& plan) {
    writes.clear();
    plan.keys.clear();
    plan.leftAlone.clear();
    std::vector<Removal> removals;
    for (const KeyChange& change : backup.changes) {
        KeyState now;
        std::vector<std::wstring> subkeys;
        const KeyState& wanted = change.before;
        if (const long result = readKeyState(registry, change.root, change.path, now,
                                             wanted.exists ? nullptr : &subkeys);
            result) {
            return {result,
                    L"Can't read " + quoted(fullKeyName(change.root, change.path)) + L" key"};
        }
        const std::wstring name = fullKeyName(change.root, change.path);
        if (!wanted.exists) {
            if (now.exists) {
                removals.push_back({&change, std::move(now), std::move(subkeys), {}});
            }
            continue;
        }
        KeyWrite write{change.root, change.path, false, {}, {}, {}};
        PlannedKey key{now.exists ? ChangeKind::change : ChangeKind::add, name, {}};
        for (const SavedValue& value : wanted.values) {
            const SavedValue* current = findSaved(now.values, value.name);
            if (current == nullptr || current->type != value.type || current->data != value.data) {
                write.set.push_back(value);
                key.details.push_back(changeOf(value.name, current, &value));
            }
        }
        for (const SavedValue& value : now.values) {
            if (findSaved(wanted.values, value.name) == nullptr) {
                write.unset.push_back(value.name);
                key.details.push_back(changeOf(value.name, &value, nullptr));
            }
        }
        if (now.exists && key.details.empty()) {
            continue;
        }
        write.read = std::move(now);
        writes.push_back(std::move(write));
        plan.keys.push_back(std::move(key));
    }
    // Subkeys before the keys above them, whatever order the backup lists them in.
    std::vector<std::size_t> order;
    for (std::size_t i = removals.size(); i > 0; --i) {
        order.push_back(i - 1);
    }
    const auto depth = [&](std::size_t i) {
        const std::wstring& path = removals[i].change->path;
        return std::count(path.begin(), path.end(), L'\\');
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return depth(a) > depth(b); });
    decideRemovals(backup, removals, order);
    for (const std::size_t i : order) {
        Removal& removal = removals[i];
        const std::wstring name = fullKeyName(removal.change->root, removal.change->path);
        if (!removal.why.empty()) {
            plan.leftAlone.push_back(name + L": " + removal.why);
            continue;
        }
        PlannedKey key{ChangeKind::remove, name, {}};
        for (const SavedValue& value : removal.now.values) {
            key.details.push_back(changeOf(value.name, &value, nullptr));
        }
        plan.keys.push_back(std::move(key));
        writes.push_back(
            {removal.change->root, removal.change->path, true, {}, {}, std::move(removal.now)});
    }
    return {};
}

std::wstring restorePlanText(const RestorePlan& plan) {
    std::wstring text;
    for (const PlannedKey& key : plan.keys) {
        // The lines show a changed key's values; the document has every key's.
        std::vector<std::wstring> lines;
        for (const PlanDetail& detail : key.details) {
            if (key.kind == ChangeKind::change) {
                lines.push_back(detailLine(
                    detail.name.empty() ? std::wstring(defaultValueName) : detail.name, detail));
            }
        }
        text += planLines(key.kind, std::wstring(restoredKeyNoun) + L" " + key.name, lines);
    }
    for (const std::wstring& key : plan.leftAlone) {
        text += std::wstring(leftAloneLine) + key + L"\n";
    }
    return text + planEndLine(plan.count(ChangeKind::add), plan.count(ChangeKind::change),
                              plan.count(ChangeKind::remove));
}

}  // namespace volmora::config
