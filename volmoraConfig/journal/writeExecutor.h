// Making an apply's writes, key by key, in order, and stopping at the first that fails or when a
// stop is asked for.
#pragma once

#include <functional>
#include <vector>

#include "journal/keyChanges.h"

namespace volmora::config {

// Asked before each write: true stops the writes there.
using StopRequested = std::function<bool()>;

struct WritesEnd {
    ReadFailure failure;   // the failed step, in the programs' words
    bool stopped = false;  // a stop was asked for before all were made
};

WritesEnd executeWrites(Registry& registry, const WriteUnits& writes,
                        const StopRequested& stopRequested = {});

}  // namespace volmora::config
