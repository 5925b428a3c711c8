// The Win32 side of volmoraConfig: the registry, the standard streams, files, the machine-wide
// lock, the journal and Ctrl+C.
#pragma once

#include "fileHandle.h"
#include "host/configHost.h"
#include "win32/winCheckFiles.h"
#include "win32/winConfigLock.h"
#include "win32/winJournalStore.h"
#include "winRegistry.h"

namespace volmora::config {

class WinConfigHost : public ConfigHost {
  public:
    WinConfigHost() = default;
    WinConfigHost(const WinConfigHost&) = delete;
    WinConfigHost& operator=(const WinConfigHost&) = delete;
    ~WinConfigHost() override;

    Registry& registry() override { return registry_; }
    void writeOut(std::string_view bytes) override;
    void writeError(std::wstring_view line) override;
    long readFile(const std::wstring& path, std::size_t maxBytes, std::string& bytes) override;
    long createFile(const std::wstring& path, std::unique_ptr<OutputFile>& file) override;
    long writeFile(const std::wstring& path, std::string_view bytes) override;
    long lock(std::wstring& why) override;
    std::wstring programPath() override;
    CheckFiles& checkFiles() override { return files_; }
    JournalStore& journal() override { return journal_; }
    long flushKey(KeyHandle root, const std::wstring& path) override;
    void catchStop(bool on) override;
    bool stopRequested() override;

  private:
    WinRegistry registry_;
    WinCheckFiles files_;
    WinJournalStore journal_;
    bool catching_ = false;
    ConfigurationLock lock_;
};

}  // namespace volmora::config
