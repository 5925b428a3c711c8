// volmoraConfig export [FILE]: the view's whole configuration as JSON, with a warning on
// standard error for each value it leaves out and each record that apply would refuse.
#include "command/configCommand.h"
#include "command/verbSupport.h"
#include "command/verbs.h"
#include "commandDispatch.h"
#include "exitCodes.h"
#include "journal/pendingJournal.h"
#include "plan/applyRefusals.h"
#include "toolText.h"

namespace volmora::config {

std::int32_t runExport(ConfigHost& host, const ArgumentList& operands) {
    if (operands.size() > 1 || (operands.size() == 1 && isSwitch(operands[0]))) {
        return refuseCommandLine(host);
    }
    if (!lockConfiguration(host)) {
        return exitCode::lockNotTaken;
    }
    Machine machine;
    if (const std::int32_t code = settleJournal(host, JournalUse::readOnly); code) {
        return code;
    }
    if (!readMachine(host, machine)) {
        return exitCode::registryUnreadable;
    }
    for (const Collection collection : allCollections) {
        for (const Record& record : machine.own.records(collection)) {
            for (const std::wstring_view name : record.otherTypes) {
                host.writeError(L"warning: " + std::wstring(recordNoun(collection)) + L" " +
                                quoted(record.name) + L": value " + quoted(name) +
                                L" is not REG_SZ and is left out.");
            }
        }
    }
    for (const std::wstring& refusal : refusals(machine.own, machine, false)) {
        host.writeError(L"warning: " + refusal + L" Apply would refuse this file.");
    }
    return writeConfiguration(host, operands.empty() ? std::wstring() : operands[0], machine.own);
}

}  // namespace volmora::config
