// What restore writes: the writes that make every key of a backup hold its state before again,
// whatever the machine holds now, and the plan that shows them.
#pragma once

#include <string>
#include <vector>

#include "journal/journalFormat.h"
#include "model/configuration.h"

namespace volmora::config {

// Reads each key of the backup and plans the writes that give it its state before: keys created
// or changed parents first, then keys deleted subkeys first. text gets the plan as printed, in
// the lines of apply's plan: one per key ("+ key <key>", "~ key <key>" with one indented line per
// value that changes, "- key <key>"), then the count line, or "No changes." alone.
ReadFailure planRestore(Registry& registry, const Journal& backup, std::vector<KeyWrite>& writes,
                        std::wstring& text);

// Takes out of the backup every ProgID key, with its subkeys, that a class record of the other
// registry view owns: both views share those keys, and the other view's classes stay whatever
// this view's backup held. kept gets the names of the keys left so, each once.
void keepTheOtherViewsProgIdKeys(const Configuration& otherView, Journal& backup,
                                 std::vector<std::wstring>& kept);

// A value as a plan shows it: text in quotes, a number in hexadecimal, other data by its type and
// size.
std::wstring shownValue(const SavedValue& value);

}  // namespace volmora::config
