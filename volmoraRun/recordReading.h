// Reads back the one record that a program appended to the outcome log: exactly the JSON line
// that outcomeLog writes (UTF-8, its escapes, its members), without a JSON library.
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
// the line is not a complete record: malformed JSON or UTF-8, a missing program, messages or
// exit code, an unknown message kind.
std::optional<RunRecord> readRecordLine(std::string_view line);

// The whole log file that the run was given: exactly one record line, or nothing.
std::optional<RunRecord> readOnlyRecord(std::string_view fileContents);

}  // namespace volmora::runner
