// volmoraConfig's exit codes, with what each means: the one table that the program returns from
// and the guide is written from, and the closing lines that go with them. Every layer may include
// it.
#pragma once

#include <cstdint>
#include <string_view>

#include "toolContract.h"

namespace volmora::config {

namespace exitCode {
inline constexpr std::int32_t success = acceptedExitCode;
// As for the four programs.
inline constexpr std::int32_t commandLineRefused = refusedExitCode;
inline constexpr std::int32_t changed = 2;
inline constexpr std::int32_t fileRefused = 3;
inline constexpr std::int32_t restored = 4;
inline constexpr std::int32_t restoreFailed = 5;
inline constexpr std::int32_t checkFoundError = 6;
inline constexpr std::int32_t fileUnusable = 7;
inline constexpr std::int32_t registryUnreadable = 8;
inline constexpr std::int32_t noRights = 9;
inline constexpr std::int32_t lockNotTaken = 10;
inline constexpr std::int32_t journalPending = 11;
inline constexpr std::int32_t journalUnusable = 12;
}  // namespace exitCode

// The line that closes the report of a run that changed nothing, whatever stopped it.
inline constexpr std::wstring_view nothingChanged = L"Nothing was changed.";

// The line that says why a run stopped before it was done.
inline constexpr std::wstring_view stoppedLine = L"Stopped by Ctrl+C or Ctrl+Break.";

// The command that puts a journal back, as the messages name it.
inline constexpr std::wstring_view recoverCommand = L"volmoraConfig recover";

struct ExitCodeMeaning {
    std::int32_t code;
    std::wstring_view meaning;
};

inline constexpr ExitCodeMeaning exitCodeTable[] = {
    {exitCode::success, L"success (also: apply with nothing to change, check with no error)"},
    {exitCode::commandLineRefused, L"the command line was refused (usage on standard error)"},
    {exitCode::changed,
     L"only with /detailed-exitcode: apply changed something (with /check: "
     L"would change something)"},
    {exitCode::fileRefused,
     L"apply: the file was refused (not JSON, bad member, bad identifier "
     L"...); nothing was changed"},
    {exitCode::restored,
     L"apply, restore: it stopped part-way (a write failed, or Ctrl+C or Ctrl+Break) and put "
     L"everything back as it was, leaving alone the keys changed since by someone else (listed); "
     L"any verb: Ctrl+C or Ctrl+Break stopped it before it wrote anything"},
    {exitCode::restoreFailed,
     L"apply, restore, recover: it could not put everything back; the keys not put back are "
     L"listed, and the journal is kept for recover"},
    {exitCode::checkFoundError, L"check: found at least one error (warnings alone give 0)"},
    {exitCode::fileUnusable,
     L"a file could not be read or written (the FILE of export, apply or restore, the /backup "
     L"file, the journal)"},
    {exitCode::registryUnreadable,
     L"the machine's configuration could not be read (a registry "
     L"call failed: step and code on standard error)"},
    {exitCode::noRights,
     L"apply, restore, recover: no rights to write the configuration (found before any write); "
     L"nothing was changed"},
    {exitCode::lockNotTaken,
     L"another run held the configuration's lock past the wait, or the lock could not be taken; "
     L"nothing was read or changed"},
    {exitCode::journalPending,
     L"a journal of a run ended part-way was found by export, check or a /check run (which never "
     L"write), or a journal of the other build by any verb; nothing was read or changed (standard "
     L"error names the recover to run)"},
    {exitCode::journalUnusable,
     L"a journal was found that is damaged or not owned and written by Administrators or SYSTEM "
     L"alone; it was kept, not used, and nothing was changed (how to discard it on standard "
     L"error)"},
};

}  // namespace volmora::config
