// volmoraConfig's lock under Wine: made with its own security descriptor, so that every signed-in
// account may wait for it, and taken by one holder at a time within a bound.
#include <windows.h>

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include <string>
#include <thread>

#include "ownedHandles.h"
#include "win32/winConfigLock.h"

namespace volmora::e2e {
namespace {

using config::ConfigurationLock;

// The lock's DACL as SDDL, read through a handle of its own.
std::wstring lockSecurity() {
    const FileHandle opened(OpenMutexW(READ_CONTROL, FALSE, config::configurationLockName));
    if (!opened.valid()) {
        return L"(not open: " + std::to_wstring(GetLastError()) + L")";
    }
    PSECURITY_DESCRIPTOR read = nullptr;
    if (GetSecurityInfo(opened.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                        nullptr, nullptr, &read) != ERROR_SUCCESS) {
        return L"(no security)";
    }
    const LocalMemory descriptor(read);
    LPWSTR text = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor.get(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
        return L"(not convertible)";
    }
    const LocalMemory owned(text);
    return text;
}

TEST(ConfigurationLock, IsMadeForEveryAccountToWaitForAndIsHeldByOneRun) {
    ConfigurationLock held;
    std::wstring why;
    ASSERT_EQ(held.take(1000, why), ERROR_SUCCESS) << std::string(why.begin(), why.end());
    const std::wstring security = lockSecurity();
    EXPECT_EQ(
        CompareStringOrdinal(security.c_str(), -1, config::configurationLockSecurity, -1, TRUE),
        CSTR_EQUAL)
        << std::string(security.begin(), security.end());

    // Another run, on a thread of its own (a mutex is its owner thread's again and again), waits
    // its bound and says so.
    long other = ERROR_SUCCESS;
    std::wstring otherWhy;
    const DWORD started = GetTickCount();
    std::thread([&] {
        ConfigurationLock second;
        other = second.take(300, otherWhy);
    }).join();
    EXPECT_EQ(other, static_cast<long>(WAIT_TIMEOUT));
    EXPECT_GE(GetTickCount() - started, 250u);
    EXPECT_EQ(otherWhy, L"another run held it for 0 s");
}

}  // namespace
}  // namespace volmora::e2e
