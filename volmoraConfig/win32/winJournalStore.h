// The journal on disk: one file in a folder of its own below %ProgramData%.
#pragma once

#include "host/journalStore.h"

namespace volmora::config {

class WinJournalStore : public JournalStore {
  public:
    WinJournalStore();

    std::wstring folder() override { return folder_; }
    std::wstring path() override;
    long read(std::size_t maxBytes, JournalFound& found) override;
    long create(std::unique_ptr<JournalFile>& file) override;
    long remove() override;
    long clearStale() override;

  private:
    std::wstring folder_;
    long folderStatus_;  // of finding the folder of all users' application data
};

}  // namespace volmora::config
