// volmoraConfig's verbs, one file each: the table that dispatch and the usage text are made from
// names these. Each receives the arguments after the verb and returns the exit code.
#pragma once

#include <cstdint>
#include <string_view>

#include "arguments.h"
#include "host/configHost.h"

namespace volmora::config {

struct Verb {
    std::wstring_view name;   // "export"
    std::wstring_view usage;  // what follows the verb in the usage line: "[FILE]"
    std::int32_t (*run)(ConfigHost& host, const ArgumentList& operands);
};

// exportVerb.cpp
std::int32_t runExport(ConfigHost& host, const ArgumentList& operands);
// applyVerb.cpp
std::int32_t runApply(ConfigHost& host, const ArgumentList& operands);
// checkVerb.cpp
std::int32_t runCheck(ConfigHost& host, const ArgumentList& operands);
// recoverVerb.cpp
std::int32_t runRecover(ConfigHost& host, const ArgumentList& operands);
// restoreVerb.cpp
std::int32_t runRestore(ConfigHost& host, const ArgumentList& operands);

}  // namespace volmora::config
