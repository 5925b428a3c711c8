// volmoraConfig's exit codes, with what each means: the one table that the program returns from
// and the guide is written from.
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
}  // namespace exitCode

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
     L"apply: it stopped part-way (a write failed) and put everything back as it was; nothing "
     L"was changed"},
    {exitCode::restoreFailed,
     L"apply: it stopped part-way and could not put everything back; the keys not put back are "
     L"listed"},
    {exitCode::checkFoundError, L"check: found at least one error (warnings alone give 0)"},
    {exitCode::fileUnusable,
     L"a file could not be read or written (the FILE of export/apply, "
     L"the /backup file)"},
    {exitCode::registryUnreadable,
     L"the machine's configuration could not be read (a registry "
     L"call failed: step and code on standard error)"},
    {exitCode::noRights,
     L"apply: no rights to write the configuration (found before planning); nothing was changed"},
    {exitCode::lockNotTaken,
     L"another run held the configuration's lock past the wait, or the lock could not be taken; "
     L"nothing was read or changed"},
};

}  // namespace volmora::config
