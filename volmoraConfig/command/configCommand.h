// volmoraConfig's dispatch: the verb table, the usage text, and the one path that a refused
// command line leaves by.
#pragma once

#include <cstdint>
#include <string>

#include "arguments.h"
#include "host/configHost.h"

namespace volmora::config {

// Runs the command line (element 0 is the program path) and returns the exit code.
std::int32_t runConfigCommand(ConfigHost& host, const ArgumentList& arguments);

// The usage lines, one per verb.
std::wstring usageText();

// Prints the usage on standard error and returns exitCode::commandLineRefused.
std::int32_t refuseCommandLine(ConfigHost& host);

}  // namespace volmora::config
