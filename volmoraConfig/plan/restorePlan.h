// What restore writes: the writes that make every key of a backup hold its state before again,
// whatever the machine holds now, and the plan that shows them.
#pragma once

#include <string>
#include <vector>

#include "journal/journalFormat.h"

namespace volmora::config {

// Reads each key of the backup and plans the writes that give it its state before: keys created
// or changed parents first, then keys deleted subkeys first. A key to delete that holds a value
// or a subkey that is not the backup's to delete is left alone. text gets the plan as printed, in
// the lines of apply's plan: one per key ("+ key <key>", "~ key <key>" with one indented line per
// value that changes, "- key <key>"), a line per key left alone ("Left alone, changed since:
// <key>: <why>"), then the count line, or "No changes." alone.
ReadFailure planRestore(Registry& registry, const Journal& backup, std::vector<KeyWrite>& writes,
                        std::wstring& text);

// A value as a plan shows it: text in quotes, a number in hexadecimal, other data by its type and
// size.
std::wstring shownValue(const SavedValue& value);

}  // namespace volmora::config
