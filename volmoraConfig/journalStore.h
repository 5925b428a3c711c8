// Where the journal lives: one file in a folder of its own, which only Administrators and SYSTEM
// may own or write. The Win32 side implements the store; unit tests use a fake. The rule that
// decides whether a folder or file may be trusted is portable, here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "journalFormat.h"

namespace volmora::config {

// The status JournalStore::write returns when a journal is there (ERROR_ALREADY_EXISTS).
inline constexpr long journalExists = 183;

// One entry of an object's access list, as the system keeps it.
struct AccessEntry {
    bool allows = true;        // an entry of any type other than a deny entry grants its rights
    bool inheritOnly = false;  // applies to what is made inside the folder, not to the folder
    std::wstring sid;          // "S-1-5-18"; empty when the entry names no plain account
    std::uint32_t mask = 0;
};

// An object's owner and access list.
struct ObjectSecurity {
    std::wstring owner;   // "S-1-5-32-544"
    bool hasDacl = true;  // false: no access list, so everyone may do everything
    std::vector<AccessEntry> entries;
};

// Why a journal's folder or file cannot be trusted, as a sentence: its owner is neither
// Administrators nor SYSTEM, or an entry lets anyone else write, delete or re-secure it. Empty
// when it can.
std::wstring distrust(const ObjectSecurity& security);

// What reading the journal found.
struct JournalFound {
    // False where the system keeps no security descriptors on files, so that there is nothing to
    // check (Wine: an owner set reads back as the user, whatever was set).
    bool securityKept = true;
    bool folderExists = false;
    ObjectSecurity folder;
    bool fileExists = false;
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
    // Deletes the journal: 0, also when there is none, or a Win32 status.
    virtual long remove() = 0;
    // Deletes the temporary files of runs that ended before their journal was in place.
    virtual long clearStale() = 0;
};

}  // namespace volmora::config
