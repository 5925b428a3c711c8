// volmoraConfig check [/json]: the view's problems on standard output, the exit code from
// whether any is an error.
#include "check/checkReport.h"
#include "check/recordFiles.h"
#include "classRecord.h"
#include "command/configCommand.h"
#include "command/verbSupport.h"
#include "command/verbs.h"
#include "commandDispatch.h"
#include "exitCodes.h"
#include "journal/pendingJournal.h"

namespace volmora::config {

namespace {

constexpr std::wstring_view jsonSwitch = L"json";

}  // namespace

std::int32_t runCheck(ConfigHost& host, const ArgumentList& operands) {
    const bool asJson =
        operands.size() == 1 && isSwitch(operands[0]) && switchName(operands[0]) == jsonSwitch;
    if (operands.size() > 1 || (operands.size() == 1 && !asJson)) {
        return refuseCommandLine(host);
    }
    if (!lockConfiguration(host)) {
        return exitCode::lockNotTaken;
    }
    if (const std::int32_t code = settleJournal(host, JournalUse::readOnly); code) {
        return code;
    }
    Configuration configuration;
    if (!readView(host, KeyAccess::read, configuration)) {
        return exitCode::registryUnreadable;
    }
    Registry& registry = host.registry();
    // The library registration would name, so that check and apply agree on what is right.
    const CheckSetting setting{bridgeDllPath(registry, host.programPath()), ownMachine};
    const CheckReport report = reportProblems(
        checkConfiguration(configuration, registry, host.checkFiles(), setting), asJson);
    host.writeOut(report.text);
    return report.exitCode;
}

}  // namespace volmora::config
