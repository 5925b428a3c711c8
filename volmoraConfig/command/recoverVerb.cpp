// volmoraConfig recover: puts back what the journal of a run ended part-way holds.
#include "command/configCommand.h"
#include "command/verbSupport.h"
#include "command/verbs.h"
#include "exitCodes.h"
#include "journal/pendingJournal.h"

namespace volmora::config {

std::int32_t runRecover(ConfigHost& host, const ArgumentList& operands) {
    if (!operands.empty()) {
        return refuseCommandLine(host);
    }
    if (!lockConfiguration(host)) {
        return exitCode::lockNotTaken;
    }
    std::optional<Journal> pending;
    if (const std::int32_t code = findJournal(host, JournalUse::writes, pending);
        code != exitCode::success) {
        return code;
    }
    if (!pending) {
        host.writeOut("Nothing to recover.\n");
        return exitCode::success;
    }
    if (const std::int32_t code = refuseWithoutRights(host); code != exitCode::success) {
        return code;
    }
    return recoverJournal(host, *pending);
}

}  // namespace volmora::config
