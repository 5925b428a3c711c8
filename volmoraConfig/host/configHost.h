// What the volmoraConfig verbs need of the machine besides the registry: the standard streams,
// files, the machine-wide lock, the journal, Ctrl+C and the program's own path. The Win32 side
// implements it; unit tests use a fake.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "host/checkFiles.h"
#include "host/journalStore.h"
#include "registry.h"

namespace volmora::config {

// The status readFile returns for a file larger than it may read.
inline constexpr long fileTooLarge = status::fileTooLarge;

// A file being written, its bytes appended in order.
class OutputFile {
  public:
    virtual ~OutputFile() = default;
    // 0 or a Win32 status.
    virtual long append(std::string_view bytes) = 0;
};

class ConfigHost {
  public:
    virtual ~ConfigHost() = default;
    virtual Registry& registry() = 0;
    // Standard output: bytes as given (UTF-8 text, line feeds).
    virtual void writeOut(std::string_view bytes) = 0;
    // Standard error: one line of text.
    virtual void writeError(std::wstring_view line) = 0;
    // Reads a whole file: 0, a Win32 status, or fileTooLarge when it holds more than maxBytes.
    virtual long readFile(const std::wstring& path, std::size_t maxBytes, std::string& bytes) = 0;
    // Creates a file for writing, replacing one that is there: 0 or a Win32 status.
    virtual long createFile(const std::wstring& path, std::unique_ptr<OutputFile>& file) = 0;
    // Writes a whole file under a temporary name beside it, flushes it and moves it over the one
    // that is there, so that the path holds the old file or the new one, whole; a failure leaves
    // no temporary file behind: 0 or a Win32 status.
    virtual long writeFile(const std::wstring& path, std::string_view bytes) = 0;
    // Takes the machine-wide lock of the configuration for the rest of the run, waiting a bounded
    // time: 0, or a status with why saying what kept it.
    virtual long lock(std::wstring& why) = 0;
    // The program's own path, where the runtime library is looked for when it is not registered.
    virtual std::wstring programPath() = 0;
    // What the files that records name are, for check.
    virtual CheckFiles& checkFiles() = 0;
    // Where the journal of a run ended part-way is kept.
    virtual JournalStore& journal() = 0;
    // Writes the key's hive to disk (RegFlushKey): 0, or a status (fileNotFound for a missing
    // key).
    virtual long flushKey(KeyHandle root, const std::wstring& path) = 0;
    // While catchStop(true) holds, Ctrl+C and Ctrl+Break no longer end the process: they make
    // stopRequested() true, and the writes stop at the next one.
    virtual void catchStop(bool on) = 0;
    virtual bool stopRequested() = 0;
};

// Catches Ctrl+C and Ctrl+Break while it lives.
class StopCatcher {
  public:
    explicit StopCatcher(ConfigHost& host) : host_(host) { host_.catchStop(true); }
    ~StopCatcher() { host_.catchStop(false); }
    StopCatcher(const StopCatcher&) = delete;
    StopCatcher& operator=(const StopCatcher&) = delete;

  private:
    ConfigHost& host_;
};

// "Can't read "FILE": error=2", and the same for writing: a file's failure as the messages say it.
std::wstring fileFailure(std::wstring_view verb, const std::wstring& path, long code);

}  // namespace volmora::config
