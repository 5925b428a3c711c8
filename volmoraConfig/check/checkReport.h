// How check reports its problems: one line each ("error: <record>: <what>") and a count line, or
// the same findings as a JSON document.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "check/check.h"

namespace volmora::config {

struct ProblemCount {
    std::size_t errors = 0;
    std::size_t warnings = 0;
};
ProblemCount countProblems(const std::vector<Problem>& problems);

// Each line ends with a line feed; the last is "Check: N errors, N warnings."
std::wstring problemLines(const std::vector<Problem>& problems);

// UTF-8, two-space indentation, ending with a line feed.
std::string problemJson(const std::vector<Problem>& problems);

// The problems and the report of check over one read configuration: lines, or the JSON
// document with asJson; exit code 6 when an error was found (warnings alone give 0).
struct CheckReport {
    std::int32_t exitCode = 0;
    std::string text;  // UTF-8
};
CheckReport reportProblems(const std::vector<Problem>& problems, bool asJson);

}  // namespace volmora::config
