// The check verb.
#include "checkCommand.h"

#include "checkReport.h"
#include "exitCodes.h"
#include "toolText.h"
#include "utf8.h"

namespace volmora::config {

CheckRun runCheck(Registry& registry, CheckFiles& files, const CheckSetting& setting, bool asJson) {
    Configuration configuration;
    if (const ReadFailure failure = readConfiguration(registry, KeyAccess::read, configuration);
        failure.code != status::success) {
        return {exitCode::registryUnreadable,
                {},
                errorText(failure.step + L": ", failure.code) + L"\n"};
    }
    const std::vector<Problem> problems =
        checkConfiguration(configuration, registry, files, setting);
    CheckRun run;
    run.exitCode =
        countProblems(problems).errors == 0 ? exitCode::success : exitCode::checkFoundError;
    run.standardOutput = asJson ? problemJson(problems) : utf8(problemLines(problems));
    return run;
}

}  // namespace volmora::config
