// The console control handler's rule: Ctrl+C and Ctrl+Break ask the writes to stop; the events
// that end the process anyway are left to the system.
#include <gtest/gtest.h>

#include "host/consoleStop.h"

namespace volmora::testing {
namespace {

TEST(ConsoleStop, CtrlCAndCtrlBreakAskToStopAndNothingElseDoes) {
    namespace stop = config::consoleStop;
    // CTRL_CLOSE_EVENT, CTRL_LOGOFF_EVENT, CTRL_SHUTDOWN_EVENT.
    for (const std::uint32_t event : {2u, 5u, 6u}) {
        EXPECT_FALSE(stop::onConsoleEvent(event)) << event;
        EXPECT_FALSE(stop::asked()) << event;
    }
    EXPECT_TRUE(stop::onConsoleEvent(stop::ctrlBreak));
    EXPECT_TRUE(stop::asked());
    EXPECT_TRUE(stop::onConsoleEvent(stop::ctrlC));
    EXPECT_TRUE(stop::asked());
}

}  // namespace
}  // namespace volmora::testing
