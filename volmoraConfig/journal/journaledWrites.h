// The writes of apply and restore, journaled: the state of every key they touch goes into the
// journal as it is read, the journal is in place before the first write, and it goes after the
// last write is flushed, or after a failed or stopped run is put back from it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/configHost.h"
#include "journal/journalFormat.h"

namespace volmora::config {

// The hives that changed keys lie in, each named by a key of it, to be flushed before the journal
// goes: a flush writes the whole hive of its key. A key below HKEY_CLASSES_ROOT lies in the
// machine's classes or in the user's, as the system merges them.
class KeysToFlush {
  public:
    void note(const KeyChange& change);
    // Flushes them; a failure is a warning on standard error.
    void flush(ConfigHost& host) const;

  private:
    std::vector<std::wstring> machineTops_;  // first levels below HKEY_LOCAL_MACHINE
    bool classes_ = false;                   // a key below HKEY_CLASSES_ROOT
};

// Reads the state of every key that writes touch into the journal and, when backup names a file,
// into a backup there too; then makes the writes with Ctrl+C and Ctrl+Break caught, flushes the
// keys and deletes the journal. When a write fails or a stop is asked for, puts back what the
// journal holds. Returns exitCode::success; exitCode::restored when everything was put back or
// left alone, changed since by someone else (the journal deleted); exitCode::restoreFailed when
// that failed too (the journal kept for recover); exitCode::fileUnusable when the journal or the
// backup could not be written, or exitCode::registryUnreadable when a key could not be read
// (nothing changed). Failures are reported on standard error.
std::int32_t writeJournaled(ConfigHost& host, JournalVerb verb, const WriteUnits& writes,
                            const std::wstring& backup = {});

// The backup alone (apply /check /backup): the state of every key that writes touch, in the
// journal's format, written to the file backup. exitCode::success, or the failure's code after its
// line on standard error.
std::int32_t writeBackup(ConfigHost& host, const WriteUnits& writes, const std::wstring& backup);

// The start of the line that names a key left alone, changed since by someone else: by recover,
// by a put-back after a failed or stopped write, and in restore's plan.
inline constexpr std::wstring_view leftAloneLine = L"Left alone, changed since: ";

// One line on standard error for each key that a put-back left alone.
void reportLeftAlone(ConfigHost& host, const PutBack& back);

// putBack, with an unexpected error on the way (out of memory) reported as a key not put back.
PutBack putBackCaught(ConfigHost& host, const std::vector<KeyChange>& changes);

}  // namespace volmora::config
