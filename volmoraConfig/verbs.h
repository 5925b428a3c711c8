// volmoraConfig's verbs and what they share: the table that dispatch and the usage text are made
// from, the switch rule, and the routines that report reading the machine and the files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "configHost.h"
#include "configuration.h"

namespace volmora::config {

struct Verb {
    std::wstring_view name;   // "export"
    std::wstring_view usage;  // what follows the verb in the usage line: "[FILE]"
    // Receives the arguments after the verb; returns the exit code.
    std::int32_t (*run)(ConfigHost& host, const ArgumentList& operands);
};

std::int32_t runExport(ConfigHost& host, const ArgumentList& operands);
std::int32_t runApply(ConfigHost& host, const ArgumentList& operands);
std::int32_t runCheck(ConfigHost& host, const ArgumentList& operands);

// The usage lines, one per verb.
std::wstring usageText();

// Prints the usage on standard error and returns exitCode::commandLineRefused.
std::int32_t refuseCommandLine(ConfigHost& host);

// An argument that starts with "/" or "-", as the programs' switches do; its name is the rest in
// lower case.
bool isSwitch(std::wstring_view argument);
std::wstring switchName(std::wstring_view argument);

// Takes the configuration's lock for the rest of the run; false after the failure's line on
// standard error (exitCode::lockNotTaken).
bool lockConfiguration(ConfigHost& host);
// Reads the view's configuration (access: read or readOtherView), or this view's and the other
// view's class records; false after the failure's line on standard error.
bool readView(ConfigHost& host, KeyAccess access, Configuration& configuration);
bool readMachine(ConfigHost& host, Machine& machine);

// "Can't read "FILE": error=2", and the same for writing.
std::wstring fileFailure(std::wstring_view verb, const std::wstring& path, long code);

// The configuration as export renders it, written to path, or to standard output when path is
// empty: exitCode::success, or exitCode::fileUnusable after the failure's line.
std::int32_t writeConfiguration(ConfigHost& host, const std::wstring& path,
                                const Configuration& configuration);

}  // namespace volmora::config
