// The child helper that the runner, the installer step and the harness start programs with: an
// exit code is given only when it was read, never taken for 0, and a child that cannot start
// leaves nothing running.
#include <gtest/gtest.h>

#include <string>

#include "childProcess.h"
#include "harness.h"

namespace volmora::e2e {
namespace {

ChildStart standIn(const std::wstring& mode, bool inJob) {
    ChildStart start;
    start.image = e2eProgramPath(L"standInTool");
    start.commandLine = quoteForCommandLine(start.image) + L" /s " + mode;
    start.inJob = inJob;
    return start;
}

TEST(ChildProcessExit, IsReadOnlyFromAChildThatHasEnded) {
    for (const bool inJob : {false, true}) {
        SCOPED_TRACE(inJob ? "in a job" : "without a job");
        ChildProcess ended(standIn(L"norecord 7", inJob));
        ASSERT_TRUE(ended.started()) << ended.error();
        ASSERT_TRUE(ended.wait(30000));
        const ChildProcess::ExitStatus status = ended.exitStatus();
        EXPECT_TRUE(status.read);
        EXPECT_EQ(status.code, 7u);

        // Still running: no exit code yet (GetExitCodeProcess would give STILL_ACTIVE, 259).
        ChildProcess running(standIn(L"child", inJob));
        ASSERT_TRUE(running.started()) << running.error();
        const ChildProcess::ExitStatus early = running.exitStatus();
        EXPECT_FALSE(early.read);
        EXPECT_EQ(early.error, static_cast<DWORD>(ERROR_INVALID_STATE));
        running.terminate(42);
        EXPECT_TRUE(running.exitStatus().read);
        EXPECT_EQ(running.exitStatus().code, 42u);
    }

    // Never started: nothing to read, and nothing read as a success.
    ChildStart missing = standIn(L"norecord 0", true);
    missing.image += L".missing";
    ChildProcess notStarted(missing);
    EXPECT_FALSE(notStarted.started());
    EXPECT_EQ(notStarted.failedStep(), L"CreateProcess");
    EXPECT_FALSE(notStarted.wait(0));
    EXPECT_FALSE(notStarted.exitStatus().read);
}

// A bound in seconds longer than one wait can hold in milliseconds (the runner's longest
// /timeout plus the installer step's margin) is still waited for, not cut to nothing.
TEST(ChildProcessExit, WaitsForABoundLongerThanOneWaitHolds) {
    ChildProcess child(standIn(L"norecord 3", true));
    ASSERT_TRUE(child.started());
    EXPECT_TRUE(child.waitSeconds(std::uint64_t{0xFFFFFFFF} + 1));
    EXPECT_EQ(child.exitStatus().code, 3u);
}

}  // namespace
}  // namespace volmora::e2e
