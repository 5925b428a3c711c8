// What restore writes: the writes that make every key of a backup hold its state before again,
// whatever the machine holds now, and the plan that shows them.
#pragma once

#include <string>
#include <vector>

#include "journalFormat.h"

namespace volmora::config {

// Reads each key of the backup and plans the writes that give it its state before: keys created
// or changed parents first, then keys deleted subkeys first. lines gets the plan as printed: one
// line per key ("+ key <key>", "~ key <key>" with one indented line per value that changes,
// "- key <key>"), then "Plan: N to add, N to change, N to remove.", or "No changes." alone.
ReadFailure planRestore(Registry& registry, const Journal& backup, std::vector<KeyWrite>& writes,
                        std::vector<std::wstring>& lines);

// A value as a plan shows it: text in quotes, a number in hexadecimal, other data by its type and
// size.
std::wstring shownValue(const SavedValue& value);

}  // namespace volmora::config
