// volmoraConfig timed against its floors: removal (apply /prune of an empty file, restore to
// empty), export, apply to an empty view and a second apply, for 1,000 and 10,000 classes, and the
// per-class peer that registers each class with a run of its own.
#pragma once

#include <string>
#include <vector>

namespace volmora::bench {

// Prints the configuration rows; runs is the number of start-up rounds, which sets the rounds
// of 1,000 classes (fewer of 10,000). With removalOnly, only the removal rows, runs rounds each.
// Touches only the records and keys it writes.
void configRows(const std::wstring& bin, const std::wstring& probes, const std::wstring& bench,
                int runs, const std::vector<int>& counts, bool removalOnly = false);

}  // namespace volmora::bench
