// The check verb: reads the view's configuration once, checks it and reports, as lines or JSON.
#pragma once

#include <cstdint>
#include <string>

#include "check.h"
#include "configHost.h"

namespace volmora::config {

// The problems and the report of check over one read configuration: lines, or the JSON
// document with asJson; exit code 6 when an error was found (warnings alone give 0).
struct CheckReport {
    std::int32_t exitCode = 0;
    std::string text;  // UTF-8
};
CheckReport reportProblems(const std::vector<Problem>& problems, bool asJson);

}  // namespace volmora::config
