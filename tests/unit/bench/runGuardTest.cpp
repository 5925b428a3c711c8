// When the benchmark may run: only with the token that ./bench also wrote into the prefix.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "runGuard.h"

namespace volmora::bench {
namespace {

const std::string token = "3f9a61c0d2e84b7a";

struct GuardCase {
    const char* name;
    std::string token;
    std::optional<std::string> marker;
    // A part of the reason, or nullptr when the run may go ahead.
    const char* refusal;
};

const GuardCase guardCases[] = {
    {"MarkerOfThisRun", token, token, nullptr},
    {"MarkerWrittenByEcho", token, token + "\n", nullptr},
    {"MarkerWithWindowsLineEnd", token, token + "\r\n", nullptr},
    {"NoToken", "", token, "no run token"},
    // An empty marker must not let an empty token through.
    {"EmptyTokenAndMarker", "", std::string(), "no run token"},
    {"ShortTokenMatchingItsMarker", "abc", std::string("abc"), "no run token"},
    {"NoMarker", token, std::nullopt, "holds no marker"},
    {"EmptyMarker", token, std::string(), "another run"},
    {"MarkerOfAnotherRun", token, std::string("0000000000000000\n"), "another run"},
    {"MarkerHoldingTheTokenAndMore", token, token + "0", "another run"},
    {"MarkerHoldingPartOfTheToken", token, token.substr(0, 15), "another run"},
    {"TokenWithMoreThanTheMarker", token + "\n", token, "another run"},
    {"MarkerWithBlankAfterTheToken", token, token + " \n", "another run"},
};

class RunGuard : public ::testing::TestWithParam<GuardCase> {};

TEST_P(RunGuard, RunsOnlyWithTheMarkerOfItsOwnToken) {
    const GuardCase& c = GetParam();
    const std::optional<std::string> refusal =
        c.marker ? runRefusal(c.token, std::string_view(*c.marker)) : runRefusal(c.token, {});
    if (c.refusal == nullptr) {
        EXPECT_EQ(refusal, std::nullopt);
    } else {
        ASSERT_TRUE(refusal.has_value());
        EXPECT_NE(refusal->find(c.refusal), std::string::npos) << *refusal;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, RunGuard, ::testing::ValuesIn(guardCases),
                         [](const auto& entry) { return std::string(entry.param.name); });

}  // namespace
}  // namespace volmora::bench
