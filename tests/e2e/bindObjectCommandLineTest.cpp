// bindObject's command line under Wine: the usage text, its icon and caption, and exit codes.
#include <gtest/gtest.h>

#include <string>

#include "expectations.h"
#include "harness.h"

namespace volmora::e2e {
namespace {

const std::wstring caption = L"Volmora - Bind Object";

const std::wstring usageText =
    L"Usage:\tbindObject /?\r\n"
    L"\tbindObject [/s] progid clsid javaclassname jvmid [serverid]\r\n"
    L"\tbindObject /u [/s] progid\r\n"
    L"\tbindObject /l\r\n"
    L"\r\n"
    L"    /?            \tprint out this help\r\n"
    L"    /s            \tsilent mode\r\n"
    L"    /u            \tunregister the specified class\r\n"
    L"    /l            \tlist all registered classes\r\n"
    L"    progid        \tProgID\r\n"
    L"    clsid         \tCLSID\r\n"
    L"    javaclassname \tJava class name\r\n"
    L"    jvmid         \tjvm identifier\r\n"
    L"    serverid      \toptional server identifier\r\n"
    L"\r\n"
    L"Examples:\r\n"
    L"\r\n"
    L"    bindObject MyServer.CoolService {B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\r\n"
    L"        com.tamsiver.myserver.CoolService MyJVM\r\n"
    L"    bindObject ServerA.NeatService {2E2311DB-9D64-4cc0-9837-CD6B5F0FBF38}\r\n"
    L"        com.tamsiver.serverA.NeatService MyJVM ServerA";

struct UsageCase {
    const wchar_t* arguments;
    bool shown;
    BoxIcon icon;
    std::uint32_t exitCode;
};

class BindObjectUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(BindObjectUsage, ShowsTheUsageAndExits) {
    const UsageCase& c = GetParam();
    const RunResult result = runTool(L"bindObject", c.arguments);
    if (c.shown) {
        expectOneBox(result, c.icon, caption, usageText);
    } else {
        expectNoBox(result);
    }
    EXPECT_EQ(result.exitCode, c.exitCode);
}

INSTANTIATE_TEST_SUITE_P(Switches, BindObjectUsage,
                         ::testing::Values(UsageCase{L"/?", true, BoxIcon::information, 0},
                                           UsageCase{L"", true, BoxIcon::exclamation, 1},
                                           UsageCase{L"/x", true, BoxIcon::exclamation, 1},
                                           UsageCase{L"/s", false, BoxIcon::none, 1},
                                           UsageCase{L"/s /?", false, BoxIcon::none, 0}));

}  // namespace
}  // namespace volmora::e2e
