// What restore writes: the writes that make every key of a backup hold its state before again,
// whatever the machine holds now, and the plan that shows them.
#pragma once

#include <string>
#include <vector>

#include "journal/journalFormat.h"
#include "model/configuration.h"
#include "plan/applyPlanner.h"
#include "plan/planDetail.h"

namespace volmora::config {

// What the plan calls each thing a restore changes: "~ key <key>".
inline constexpr std::wstring_view restoredKeyNoun = L"key";

// A key of a restore's plan with its values that change: for an added key every value it gets,
// for a removed one every value it had.
struct PlannedKey {
    ChangeKind kind = ChangeKind::change;
    std::wstring name;  // the full key name
    std::vector<PlanDetail> details;
};

struct RestorePlan {
    std::vector<PlannedKey> keys;  // in the order of the writes
    // The keys to delete that were changed since, by someone else: "<key>: <why>".
    std::vector<std::wstring> leftAlone;
    std::size_t count(ChangeKind kind) const;
};

// Reads each key of the backup and plans the writes that give it its state before: keys created
// or changed parents first, then keys deleted subkeys first. A key to delete that holds a value
// or a subkey that is not the backup's to delete is left alone, and named in leftAlone.
ReadFailure planRestore(Registry& registry, const Journal& backup, std::vector<KeyWrite>& writes,
                        RestorePlan& plan);

// The plan as printed, in the lines of apply's plan: one per key ("+ key <key>", "~ key <key>"
// with one indented line per value that changes, "- key <key>"), a line per key left alone
// ("Left alone, changed since: <key>: <why>"), then the count line, or "No changes." alone.
std::wstring restorePlanText(const RestorePlan& plan);

// Takes out of the backup every ProgID key, with its subkeys, that a class record of the other
// registry view owns: both views share those keys, and the other view's classes stay whatever
// this view's backup held. kept gets the names of the keys left so, each once.
void keepTheOtherViewsProgIdKeys(const Configuration& otherView, Journal& backup,
                                 std::vector<std::wstring>& kept);

// A value as a plan shows it: text in quotes, a number in hexadecimal, other data by its type and
// size.
std::wstring shownValue(const SavedValue& value);

}  // namespace volmora::config
