// The outcome log's record: one line of JSON per run, telling what the run showed (or would have
// shown without /s), which listing it opened and how it ended, for setups that run silently.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform.h"
#include "toolContract.h"

namespace volmora {

// The environment variable naming the file that each run appends its record to.
inline constexpr std::wstring_view outcomeLogVariable = L"VOLMORA_LOG";

struct LoggedMessage {
    MessageKind kind;
    std::wstring text;
    bool shown;  // false when silent mode suppressed it
    friend bool operator==(const LoggedMessage&, const LoggedMessage&) = default;
};

// One run, its members in the order they are written.
struct OutcomeRecord {
    UtcTime started;
    std::wstring program;
    std::uint32_t processId = 0;
    std::wstring commandLine;
    bool silent = false;
    std::vector<LoggedMessage> messages;
    std::optional<std::wstring> listing;  // the listing window's caption, when one was shown
    std::uint32_t exitCode = 0;
};

// "YYYY-MM-DDThh:mm:ss.sssZ"
std::string timestampText(const UtcTime& time);

// The text as a JSON string in UTF-8, quotes included. A UTF-16 surrogate without its partner,
// which a command line may hold, becomes U+FFFD so that the line stays valid UTF-8.
std::string jsonString(std::wstring_view text);

// The record as one JSON object on one line, ended by a line feed.
std::string recordLine(const OutcomeRecord& record);

}  // namespace volmora
