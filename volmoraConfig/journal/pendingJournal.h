// A journal that a run finds: the verbs that never write refuse to read half an apply, the verbs
// that write put it back first, and a journal that cannot be used is kept and reported.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "host/configHost.h"
#include "journal/journalFormat.h"

namespace volmora::config {

enum class JournalUse {
    readOnly,  // export, check, and the /check runs: they refuse while a journal is there
    writes,    // apply, restore and recover: they put it back first
};

// Looks for a journal, under the lock: a journal that cannot be used (damaged, untrusted, in an
// untrusted folder) ends the run with exitCode::journalUnusable, and one of the other build, or
// any journal for a readOnly use, with exitCode::journalPending, after the reason on standard
// error. Otherwise exitCode::success, with pending holding the journal of this build when there
// is one (said on standard error). A writing use also clears stale temporary files.
std::int32_t findJournal(ConfigHost& host, JournalUse use, std::optional<Journal>& pending);

// Under the lock: looks for the journal of a run ended part-way and settles it as use says (see
// findJournal), putting it back first for a writing use. exitCode::success when the verb may go
// on; else the code to end with, after the reason on standard error.
std::int32_t settleJournal(ConfigHost& host, JournalUse use);

// Puts back what the journal holds, where the keys still hold the state before or after, prints
// what it put back and what it left alone, flushes and deletes the journal: exitCode::success,
// or exitCode::restoreFailed with the journal kept.
std::int32_t recoverJournal(ConfigHost& host, const Journal& journal);

}  // namespace volmora::config
