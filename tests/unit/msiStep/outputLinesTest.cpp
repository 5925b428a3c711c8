// volmoraRun's output cut into the lines that go into an installer's log one by one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "outputLines.h"

namespace volmora::msistep {
namespace {

TEST(OutputLines, CutsAtEveryLineEndAndKeepsEverythingElse) {
    const struct {
        std::string output;
        std::vector<std::string> lines;
    } cases[] = {
        {"", {}},
        {"\r\n", {""}},
        {"one", {"one"}},
        {"one\r\ntwo\r\n", {"one", "two"}},
        {"one\ntwo", {"one", "two"}},
        {"a\r\n\r\n    b\tc\r\n", {"a", "", "    b\tc"}},
        {"a\rb\r\n", {"a\rb"}},  // a carriage return alone ends nothing
        {"caf\xC3\xA9\r\n", {"caf\xC3\xA9"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(outputLines(c.output), c.lines) << c.output;
    }
}

}  // namespace
}  // namespace volmora::msistep
