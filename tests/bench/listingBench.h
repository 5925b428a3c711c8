// The listing window timed against the listing floor, for 100 to 10,000 class records.
#pragma once

#include <string>
#include <vector>

namespace volmora::bench {

// Prints the listing rows (the tools in bin, the floor and the probe in probes): medians of
// rounds that each show the floor's window and then bindObject /l, in seconds and as ratios to
// the floor. Where the probe finds that no listing
// window can paint, one line says so instead. runs is the number of start-up rounds, which sets
// the number of listing rounds.
void listingRows(const std::wstring& bin, const std::wstring& probes, int runs,
                 const std::vector<int>& counts);

}  // namespace volmora::bench
