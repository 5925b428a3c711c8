// What the four programs and the console companions that run or read them must agree on: the
// programs' names and switch letters, the exit code of a refused command line, and the names in
// the outcome log's records. Each of these is written here once.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace volmora {

// A program's name (as the outcome log names it and as its file is called, without ".exe") and
// the switch letters its dispatcher accepts besides "?".
struct ProgramSwitches {
    std::wstring_view name;
    std::wstring_view knownSwitches;
};

inline constexpr ProgramSwitches bindObjectProgram{L"bindObject", L"slu"};
inline constexpr ProgramSwitches bindRuntimeProgram{L"bindRuntime", L"slu"};
inline constexpr ProgramSwitches bindHostProgram{L"bindHost", L"slu"};
inline constexpr ProgramSwitches bindSchemaProgram{L"bindSchema", L"su"};  // has no listing

inline constexpr std::array<ProgramSwitches, 4> toolPrograms{bindObjectProgram, bindRuntimeProgram,
                                                             bindHostProgram, bindSchemaProgram};

inline constexpr std::int32_t acceptedExitCode = 0;
// A refused command line, and bindRuntime's refused JVM options.
inline constexpr std::int32_t refusedExitCode = 1;

// The kinds of message a run shows, named in the outcome log by messageKindNames.
enum class MessageKind { information, error, critical };
inline constexpr std::array<std::string_view, 3> messageKindNames{"information", "error",
                                                                  "critical"};

static_assert(messageKindNames.size() == static_cast<std::size_t>(MessageKind::critical) + 1);

constexpr std::string_view kindName(MessageKind kind) {
    return messageKindNames[static_cast<std::size_t>(kind)];
}

// The members of an outcome log record, and of each of its messages.
namespace logMember {
inline constexpr std::string_view time = "time";
inline constexpr std::string_view program = "program";
inline constexpr std::string_view processId = "pid";
inline constexpr std::string_view commandLine = "commandLine";
inline constexpr std::string_view silent = "silent";
inline constexpr std::string_view messages = "messages";
inline constexpr std::string_view listing = "listing";
inline constexpr std::string_view exitCode = "exitCode";
inline constexpr std::string_view kind = "kind";
inline constexpr std::string_view text = "text";
inline constexpr std::string_view shown = "shown";
}  // namespace logMember

}  // namespace volmora
