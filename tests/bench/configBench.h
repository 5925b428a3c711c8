// volmoraConfig timed against its floors: export, apply to an empty view and a second apply,
// for 1,000 and 10,000 classes, and the per-class peer that registers each class with a run of
// its own.
#pragma once

#include <string>
#include <vector>

namespace volmora::bench {

// Prints the configuration rows; runs is the number of start-up rounds, which sets the rounds
// of 1,000 classes (fewer of 10,000). Touches only the records and keys it writes.
void configRows(const std::wstring& bin, const std::wstring& probes, const std::wstring& bench,
                int runs, const std::vector<int>& counts);

}  // namespace volmora::bench
