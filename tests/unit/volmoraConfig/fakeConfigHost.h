// A volmoraConfig host for unit tests: the in-memory registry, files in a map, the journal in
// memory, the keys flushed, a Ctrl+C that a test presses, and the two streams collected as text.
#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "checkFilesFake.h"
#include "command/configCommand.h"
#include "fakeJournalStore.h"
#include "host/configHost.h"
#include "memoryRegistry.h"
#include "utf8.h"

namespace volmora::testing {

// The configuration root in this view and in the other view, as the in-memory registry names it.
inline const std::wstring configRoot = L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM";
inline const std::wstring otherConfigRoot = L"HKLM-other\\SOFTWARE\\Tamsiver Software\\VOLM";
// What bindRuntime writes for a JVM with the runtime's archive on its class path.
inline const std::wstring sampleJvmLibrary = L"C:\\jvm\\jvm.dll";
inline const std::wstring sampleJvmOptions = L"-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar";

// A JVM record as bindRuntime writes it, in this view's root or another.
inline void putJvm(MemoryRegistry& registry, const std::wstring& name,
                   const std::wstring& root = configRoot) {
    registry.putText(root + L"\\JVMs\\" + name, L"DllPath", sampleJvmLibrary);
    registry.putText(root + L"\\JVMs\\" + name, L"JvmOptions", sampleJvmOptions);
}

// The largest piece of a text handed over at once: what a writer held of it.
struct LargestPiece {
    std::size_t bytes = 0;
    std::size_t pieces = 0;
    void note(std::string_view piece) {
        bytes = std::max(bytes, piece.size());
        ++pieces;
    }
};

// A file of the map, written in place.
class FileInMap : public config::OutputFile {
  public:
    FileInMap(std::string& bytes, LargestPiece& largest) : bytes_(bytes), largest_(largest) {}
    long append(std::string_view more) override {
        largest_.note(more);
        bytes_ += more;
        return 0;
    }

  private:
    std::string& bytes_;
    LargestPiece& largest_;
};

class FakeConfigHost : public config::ConfigHost {
  public:
    // The keys every machine has, above the configuration and the COM classes.
    FakeConfigHost() {
        memory.putKey(L"HKLM\\SOFTWARE");
        memory.putKey(L"HKCR\\CLSID");
    }

    MemoryRegistry memory;
    std::map<std::wstring, std::string> files;
    std::map<std::wstring, long> unreadable;  // path -> status of reading it
    std::string out;
    LargestPiece largestOut;   // of standard output
    LargestPiece largestFile;  // of the files written
    std::wstring err;
    long lockResult = 0;
    FakeJournalStore journalStore;
    std::set<std::wstring> flushed;              // "HKLM\SOFTWARE", "HKCU\Software\Classes"
    std::map<std::wstring, long> flushFailures;  // key -> status of flushing it
    bool catching = false;
    // Ctrl+C pressed: while caught, it asks the writes to stop; otherwise it would have ended the
    // process, which a test shows by the journal it leaves.
    bool ctrlC = false;
    // The registry the verbs use: the in-memory one, or one a test puts in front of it.
    Registry* registryInUse = &memory;
    // The same for the journal's store.
    config::JournalStore* journalInUse = &journalStore;

    Registry& registry() override { return *registryInUse; }
    void writeOut(std::string_view bytes) override {
        largestOut.note(bytes);
        out += bytes;
    }
    void writeError(std::wstring_view line) override {
        err += line;
        err += L"\n";
    }
    long readFile(const std::wstring& path, std::size_t maxBytes, std::string& bytes) override {
        if (const auto bad = unreadable.find(path); bad != unreadable.end()) {
            return bad->second;
        }
        const auto found = files.find(path);
        if (found == files.end()) {
            return status::fileNotFound;
        }
        if (found->second.size() > maxBytes) {
            return config::fileTooLarge;
        }
        bytes = found->second;
        return 0;
    }
    long createFile(const std::wstring& path, std::unique_ptr<config::OutputFile>& file) override {
        if (const auto bad = unreadable.find(path); bad != unreadable.end()) {
            return bad->second;
        }
        files[path].clear();
        file = std::make_unique<FileInMap>(files[path], largestFile);
        return 0;
    }
    // Whole or not at all, as the Windows side writes it.
    long writeFile(const std::wstring& path, std::string_view bytes) override {
        if (const auto bad = unreadable.find(path); bad != unreadable.end()) {
            return bad->second;
        }
        largestFile.note(bytes);
        files[path] = bytes;
        return 0;
    }
    long lock(std::wstring& why) override {
        why = L"held";
        return lockResult;
    }
    std::wstring programPath() override { return L"C:\\VOLM\\bin\\volmoraConfig.exe"; }
    config::CheckFiles& checkFiles() override { return fileSystem; }
    config::JournalStore& journal() override { return *journalInUse; }
    long flushKey(KeyHandle root, const std::wstring& path) override {
        const std::wstring name = (root == classesRoot   ? L"HKCR\\"
                                   : root == currentUser ? L"HKCU\\"
                                                         : L"HKLM\\") +
                                  path;
        if (const auto failing = flushFailures.find(name); failing != flushFailures.end()) {
            return failing->second;
        }
        flushed.insert(name);
        return 0;
    }
    void catchStop(bool on) override { catching = on; }
    bool stopRequested() override { return catching && ctrlC; }
    FakeCheckFiles fileSystem;  // what check finds at the paths that records name

    // Runs "volmoraConfig <arguments...>" and returns the exit code; out and err start empty.
    std::int32_t run(std::initializer_list<std::wstring> arguments) {
        out.clear();
        err.clear();
        ArgumentList list{L"volmoraConfig"};
        list.insert(list.end(), arguments);
        return config::runConfigCommand(*this, list);
    }
};

}  // namespace volmora::testing
