// Planning a restore: the key-by-key difference between the machine and a backup's states before.
#include "plan/restorePlan.h"

#include <algorithm>

#include "classKeys.h"
#include "classRecord.h"
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
    std::vector<KeyWrite> removals;
    std::vector<PlannedKey> removed;
    for (const KeyChange& change : backup.changes) {
        KeyState now;
        if (const long result = readKeyState(registry, change.root, change.path, now); result) {
            return {result,
                    L"Can't read " + quoted(fullKeyName(change.root, change.path)) + L" key"};
        }
        const KeyState& wanted = change.before;
        const std::wstring name = fullKeyName(change.root, change.path);
        if (!wanted.exists) {
            if (now.exists) {
                removals.push_back({change.root, change.path, true, {}, {}});
                PlannedKey key{ChangeKind::remove, name, {}};
                for (const SavedValue& value : now.values) {
                    key.details.push_back(changeOf(value.name, &value, nullptr));
                }
                removed.push_back(std::move(key));
            }
            continue;
        }
        KeyWrite write{change.root, change.path, false, {}, {}};
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
        writes.push_back(std::move(write));
        plan.keys.push_back(std::move(key));
    }
    // Subkeys before the keys above them, whatever order the backup lists them in.
    std::vector<std::size_t> order;
    for (std::size_t i = removals.size(); i > 0; --i) {
        order.push_back(i - 1);
    }
    const auto depth = [&](std::size_t i) {
        return std::count(removals[i].path.begin(), removals[i].path.end(), L'\\');
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return depth(a) > depth(b); });
    for (const std::size_t i : order) {
        writes.push_back(std::move(removals[i]));
        plan.keys.push_back(std::move(removed[i]));
    }
    return {};
}

std::wstring restorePlanText(const RestorePlan& plan) {
    std::wstring text;
    for (const PlannedKey& key : plan.keys) {
        std::vector<std::wstring> lines;
        for (const PlanDetail& detail : key.details) {
            lines.push_back(detailLine(
                detail.name.empty() ? std::wstring(defaultValueName) : detail.name, detail));
        }
        text += planLines(key.kind, std::wstring(restoredKeyNoun) + L" " + key.name, lines);
    }
    return text + planEndLine(plan.count(ChangeKind::add), plan.count(ChangeKind::change),
                              plan.count(ChangeKind::remove));
}

}  // namespace volmora::config
