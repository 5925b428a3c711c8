// A journal store for unit tests: the journal and the temporary files in memory, the folder's and
// the file's security as a test sets them, and failures a test asks for.
#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/journalStore.h"
#include "host/journalTrust.h"
#include "journal/journalFormat.h"

namespace volmora::testing {

class FakeJournalStore : public config::JournalStore {
  public:
    static constexpr const wchar_t* temporaryName = L"journal.tmp";

    // The journal being written: one of the temporaries until it is put in place.
    class File : public config::JournalFile {
      public:
        explicit File(FakeJournalStore& store) : store_(store) {}
        ~File() override { std::erase(store_.temporaries, std::wstring(temporaryName)); }
        long append(std::string_view more) override {
            store_.largestAppend = std::max(store_.largestAppend, more.size());
            return sink_.append(more);
        }
        long overwrite(std::size_t offset, std::string_view field) override {
            return sink_.overwrite(offset, field);
        }
        long commit() override {
            if (store_.journal) {
                return config::journalExists;
            }
            store_.journal = std::move(sink_.bytes);
            ++store_.written;
            return 0;
        }

      private:
        FakeJournalStore& store_;
        config::StringJournalSink sink_;
    };

    // As the Windows store makes them: owned by Administrators, written by SYSTEM and them.
    static config::ObjectSecurity madeSecurity() {
        return {L"S-1-5-32-544",
                true,
                {{true, false, L"S-1-5-18", 0x1F01FF},
                 {true, false, L"S-1-5-32-544", 0x1F01FF},
                 {true, false, L"S-1-5-32-545", 0x1200A9}}};
    }

    std::optional<std::string> journal;
    bool journalIsFolder = false;  // a folder stands where the journal should be
    bool folderExists = false;
    bool securityKept = true;
    config::ObjectSecurity folderSecurity = madeSecurity();
    config::ObjectSecurity fileSecurity = madeSecurity();
    std::vector<std::wstring> temporaries;  // left by runs ended before their journal was in place
    long readResult = 0;
    long writeResult = 0;
    long removeResult = 0;
    std::size_t written = 0;        // journals put in place
    std::size_t largestAppend = 0;  // the most bytes handed to a journal at once

    std::wstring folder() override { return L"C:\\ProgramData\\volmoraConfig"; }
    std::wstring path() override { return folder() + L"\\journal"; }
    long read(std::size_t maxBytes, config::JournalFound& found) override {
        found = {};
        if (readResult) {
            return readResult;
        }
        found.securityKept = securityKept;
        found.folderExists = folderExists;
        found.folder = folderSecurity;
        if (journalIsFolder) {
            found.fileExists = true;
            found.notAFile = true;
            return 0;
        }
        if (!journal) {
            return 0;
        }
        found.fileExists = true;
        found.file = fileSecurity;
        if (journal->size() > maxBytes) {
            return config::fileTooLarge;
        }
        found.bytes = *journal;
        return 0;
    }
    long create(std::unique_ptr<config::JournalFile>& file) override {
        if (writeResult) {
            return writeResult;
        }
        if (journal || journalIsFolder) {
            return config::journalExists;
        }
        folderExists = true;
        temporaries.push_back(temporaryName);
        file = std::make_unique<File>(*this);
        return 0;
    }
    long remove() override {
        if (removeResult) {
            return removeResult;
        }
        journal.reset();
        return 0;
    }
    // The Windows store's own temporary names alone.
    long clearStale() override {
        std::erase_if(temporaries, [](const std::wstring& name) {
            return name == temporaryName || name == L"journal.done.tmp";
        });
        return 0;
    }
};

}  // namespace volmora::testing
