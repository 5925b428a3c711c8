// Where the journal lives: one file in a folder of its own, which only Administrators and SYSTEM
// may own or write. The Win32 side implements the store; unit tests use a fake.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/journalSink.h"
#include "host/journalTrust.h"
#include "registry.h"

namespace volmora::config {

// The status JournalStore::write returns when a journal is there.
inline constexpr long journalExists = status::alreadyExists;

// What reading the journal found.
struct JournalFound {
    // False where the system keeps no security descriptors on files, so that there is nothing to
    // check (Wine: an owner set reads back as the user, whatever was set).
    bool securityKept = true;
    bool folderExists = false;
    ObjectSecurity folder;
    bool fileExists = false;
    // Something stands where the journal should be that is no file (a folder): never read.
    bool notAFile = false;
    ObjectSecurity file;
    std::string bytes;
};

// A journal being written under a temporary name, by a JournalEncoder; it is deleted when it
// goes, unless it was moved into place.
class JournalFile : public JournalSink {
  public:
    // Flushes the file and moves it into the journal's place with write-through, so that a
    // journal is whole or absent; never over a journal that is there (journalExists). 0 or a
    // Win32 status.
    virtual long commit() = 0;
};

class JournalStore {
  public:
    virtual ~JournalStore() = default;
    // The journal's folder and full path, for messages.
    virtual std::wstring folder() = 0;
    virtual std::wstring path() = 0;
    // Reads the folder's security, and the journal with its security, through the same handles
    // that it reads the bytes with: 0 (also when the folder or the journal is missing), a Win32
    // status, or fileTooLarge when the journal holds more than maxBytes.
    virtual long read(std::size_t maxBytes, JournalFound& found) = 0;
    // Starts a new journal: makes the folder when it is missing (owned by Administrators, written
    // by them and SYSTEM alone, read by users) and the journal's file under a temporary name.
    // Refuses while a journal is there (journalExists). 0 or a Win32 status.
    virtual long create(std::unique_ptr<JournalFile>& file) = 0;
    // Deletes the journal so that it is gone from the disk when this returns, and cannot come back
    // after a power cut to have a finished run put back: 0, also when there is none, or a Win32
    // status.
    virtual long remove() = 0;
    // Deletes the temporary files that earlier runs of this program left under its own names;
    // any other file in the folder stays.
    virtual long clearStale() = 0;
};

}  // namespace volmora::config
