// The one record that a program appended to the runner's private outcome log, read back with the
// JSON library; what is not a complete record reads as none, never as a failure of the runner.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "outcomeLog.h"

namespace volmora::runner {

// What the runner needs of a record; members it does not know are read over.
struct RunRecord {
    std::wstring program;
    std::vector<LoggedMessage> messages;
    std::optional<std::wstring> listing;
    std::uint32_t exitCode = 0;
    friend bool operator==(const RunRecord&, const RunRecord&) = default;
};

// One record line (a final line feed, or carriage return and line feed, allowed). Nothing when
// the line is not a complete record: not JSON, a missing or mistyped program, messages or exit
// code, an unknown message kind.
std::optional<RunRecord> readRecordLine(std::string_view line);

// The whole log file that the run was given: exactly one record line, or nothing.
std::optional<RunRecord> readOnlyRecord(std::string_view fileContents);

}  // namespace volmora::runner
