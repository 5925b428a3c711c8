// What the verbs share: taking the lock, reading the machine, refusing a run without rights, and
// writing the configuration as export renders it.
#pragma once

#include <cstdint>
#include <string>

#include "host/configHost.h"
#include "model/configuration.h"

namespace volmora::config {

// Takes the configuration's lock for the rest of the run; false after the failure's line on
// standard error (exitCode::lockNotTaken).
bool lockConfiguration(ConfigHost& host);
// Reads the view's configuration (access: read or readOtherView), or this view's and the other
// view's class records; false after the failure's line on standard error.
bool readView(ConfigHost& host, KeyAccess access, Configuration& configuration);
bool readMachine(ConfigHost& host, Machine& machine);

// Whether this process may write the configuration: exitCode::success, or the code to end with
// after the reason on standard error.
std::int32_t refuseWithoutRights(ConfigHost& host);

// The configuration as export renders it, written to path, or to standard output when path is
// empty: exitCode::success, or exitCode::fileUnusable after the failure's line.
std::int32_t writeConfiguration(ConfigHost& host, const std::wstring& path,
                                const Configuration& configuration);

}  // namespace volmora::config
