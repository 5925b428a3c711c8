// volmoraRun's Win32 side: starting a program with a private outcome log, and its output.
#pragma once

#include "installerRun.h"

namespace volmora::runner {

class WinRunnerSystem : public RunnerSystem {
  public:
    std::wstring ownFolder() override;
    ProgramRun run(const std::wstring& programPath, const std::wstring& commandLine,
                   std::uint32_t timeoutSeconds) override;
    void print(const std::vector<std::wstring>& lines) override;
    void printError(const std::vector<std::wstring>& lines) override;
    std::uint32_t appendToFile(const std::wstring& path,
                               const std::vector<std::wstring>& lines) override;
};

}  // namespace volmora::runner
