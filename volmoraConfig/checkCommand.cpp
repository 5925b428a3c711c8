// volmoraConfig check [/json]: the view's problems on standard output, the exit code from
// whether any is an error.
#include "checkCommand.h"

#include "checkReport.h"
#include "classRecord.h"
#include "exitCodes.h"
#include "utf8.h"
#include "verbs.h"

namespace volmora::config {

namespace {

constexpr std::wstring_view jsonSwitch = L"json";

}  // namespace

CheckReport reportProblems(const std::vector<Problem>& problems, bool asJson) {
    return {countProblems(problems).errors == 0 ? exitCode::success : exitCode::checkFoundError,
            asJson ? problemJson(problems) : utf8(problemLines(problems))};
}

std::int32_t runCheck(ConfigHost& host, const ArgumentList& operands) {
    const bool asJson =
        operands.size() == 1 && isSwitch(operands[0]) && switchName(operands[0]) == jsonSwitch;
    if (operands.size() > 1 || (operands.size() == 1 && !asJson)) {
        return refuseCommandLine(host);
    }
    if (!lockConfiguration(host)) {
        return exitCode::lockNotTaken;
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
