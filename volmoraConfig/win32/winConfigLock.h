// The machine-wide lock of the configuration: one run of volmoraConfig at a time, in every
// session and for both builds, which share the ProgID keys.
#pragma once

#include <windows.h>

#include <string>

#include "fileHandle.h"

namespace volmora::config {

inline constexpr wchar_t configurationLockName[] = L"Global\\VolmoraConfiguration";

// Whoever makes the lock gives it this security: SYSTEM and the administrators have every right
// on it, every signed-in account may wait for it and let it go (SYNCHRONIZE | MUTEX_MODIFY_STATE),
// so that a run without administrator rights (export, check) and an elevated apply wait for each
// other, whichever made it.
inline constexpr wchar_t configurationLockSecurity[] =
    L"D:P(A;;0x1f0001;;;SY)(A;;0x1f0001;;;BA)(A;;0x100001;;;AU)";

// The rights a run asks for: the least that waiting and letting go need.
inline constexpr DWORD configurationLockAccess = SYNCHRONIZE | MUTEX_MODIFY_STATE;

class ConfigurationLock {
  public:
    ConfigurationLock() = default;
    ConfigurationLock(const ConfigurationLock&) = delete;
    ConfigurationLock& operator=(const ConfigurationLock&) = delete;
    ~ConfigurationLock();

    // Takes the lock, waiting at most waitMilliseconds: 0, or a status with why saying what kept
    // it (WAIT_TIMEOUT when another run held it all that time).
    long take(DWORD waitMilliseconds, std::wstring& why);

  private:
    FileHandle mutex_;
    bool held_ = false;
};

}  // namespace volmora::config
