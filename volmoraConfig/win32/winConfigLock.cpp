// The configuration's lock: a named mutex with a security descriptor of its own.
#include "win32/winConfigLock.h"

#include "win32/securityDescriptor.h"

namespace volmora::config {

ConfigurationLock::~ConfigurationLock() {
    if (held_) {
        ReleaseMutex(mutex_.get());
    }
}

long ConfigurationLock::take(DWORD waitMilliseconds, std::wstring& why) {
    const SecurityDescriptor descriptor(configurationLockSecurity);
    if (descriptor.error() != ERROR_SUCCESS) {
        why = L"its security cannot be made";
        return descriptor.error();
    }
    SECURITY_ATTRIBUTES attributes = descriptor.attributes();
    // Opens the lock another run made with no more rights than waiting needs, or makes it.
    mutex_.reset(CreateMutexExW(&attributes, configurationLockName, 0, configurationLockAccess));
    if (!mutex_.valid()) {
        why = L"the lock cannot be made or opened";
        return static_cast<long>(GetLastError());
    }
    switch (WaitForSingleObject(mutex_.get(), waitMilliseconds)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:  // a run that ended without letting go
            held_ = true;
            return ERROR_SUCCESS;
        case WAIT_TIMEOUT:
            why = L"another run held it for " + std::to_wstring(waitMilliseconds / 1000) + L" s";
            return WAIT_TIMEOUT;
        default:
            why = L"waiting for it failed";
            return static_cast<long>(GetLastError());
    }
}

}  // namespace volmora::config
