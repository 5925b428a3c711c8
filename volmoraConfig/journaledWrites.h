// The writes of apply and restore, journaled: the journal is in place before the first write,
// and goes after the last write is flushed, or after a failed or stopped run is put back.
#pragma once

#include <cstdint>
#include <vector>

#include "configHost.h"
#include "journalFormat.h"

namespace volmora::config {

// Writes the journal of changes (the keys that writes touch, as keyChanges read them), makes the
// writes with Ctrl+C and Ctrl+Break caught, then flushes the keys and deletes the journal. When a
// write fails or a stop is asked for, puts back what was written. Returns exitCode::success;
// exitCode::restored when everything was put back (the journal deleted); exitCode::restoreFailed
// when that failed too (the journal kept for recover); exitCode::fileUnusable when the journal
// could not be written (nothing changed). Failures are reported on standard error.
std::int32_t writeJournaled(ConfigHost& host, JournalVerb verb, const std::vector<KeyWrite>& writes,
                            const std::vector<KeyChange>& changes);

// putBack, with an unexpected error on the way (out of memory) reported as a key not put back.
PutBack putBackCaught(ConfigHost& host, const std::vector<KeyChange>& changes);

}  // namespace volmora::config
