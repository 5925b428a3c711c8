// The check verb: reads the view's configuration once, checks it and reports, as lines or JSON.
#pragma once

#include <cstdint>
#include <string>

#include "check.h"

namespace volmora::config {

struct CheckRun {
    std::int32_t exitCode = 0;
    std::string standardOutput;  // UTF-8
    std::wstring standardError;  // a failure to read the configuration, with a line feed
};

// Exit code 6 when an error was found (warnings alone give 0), 8 when the configuration could
// not be read.
CheckRun runCheck(Registry& registry, CheckFiles& files, const CheckSetting& setting, bool asJson);

}  // namespace volmora::config
