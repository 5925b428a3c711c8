// The Win32 side of volmoraConfig: the registry, the standard streams, files and the
// machine-wide lock.
#pragma once

#include "configHost.h"
#include "fileHandle.h"
#include "winCheckFiles.h"
#include "winConfigLock.h"
#include "winRegistry.h"

namespace volmora::config {

class WinConfigHost : public ConfigHost {
  public:
    WinConfigHost() = default;
    WinConfigHost(const WinConfigHost&) = delete;
    WinConfigHost& operator=(const WinConfigHost&) = delete;

    Registry& registry() override { return registry_; }
    void writeOut(std::string_view bytes) override;
    void writeError(std::wstring_view line) override;
    long readFile(const std::wstring& path, std::size_t maxBytes, std::string& bytes) override;
    long writeFile(const std::wstring& path, std::string_view bytes) override;
    long lock(std::wstring& why) override;
    std::wstring programPath() override;
    CheckFiles& checkFiles() override { return files_; }

  private:
    WinRegistry registry_;
    WinCheckFiles files_;
    ConfigurationLock lock_;
};

}  // namespace volmora::config
