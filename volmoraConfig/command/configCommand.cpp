// volmoraConfig's dispatch: the verb table and the usage text made from it, and the catch of
// whatever the verbs did not expect.
#include "command/configCommand.h"

#include <array>
#include <new>

#include "command/verbs.h"
#include "commandDispatch.h"
#include "exitCodes.h"
#include "toolText.h"
#include "toolUtil.h"
#include "utf8.h"

namespace volmora::config {

namespace {

constexpr std::wstring_view programName = L"volmoraConfig";
constexpr std::wstring_view helpSwitch = L"?";

constexpr std::array verbs = {
    Verb{L"export", L"[FILE]", runExport},
    Verb{L"apply", L"[/check [/json]] [/prune] [/detailed-exitcode] [/backup BACKUPFILE] FILE",
         runApply},
    Verb{L"check", L"[/json]", runCheck},
    Verb{L"recover", L"", runRecover},
    Verb{L"restore", L"[/check [/json]] FILE", runRestore},
};

}  // namespace

std::wstring usageText() {
    std::wstring text;
    for (const Verb& verb : verbs) {
        text += text.empty() ? L"Usage: " : L"       ";
        text += programName;
        text += L" ";
        text += verb.name;
        if (!verb.usage.empty()) {
            text += L" ";
            text += verb.usage;
        }
        text += L"\n";
    }
    return text;
}

std::int32_t refuseCommandLine(ConfigHost& host) {
    std::wstring usage = usageText();
    for (std::size_t start = 0; start < usage.size();) {
        const std::size_t end = usage.find(L'\n', start);
        host.writeError(std::wstring_view(usage).substr(start, end - start));
        start = end + 1;
    }
    return exitCode::commandLineRefused;
}

namespace {

std::int32_t dispatch(ConfigHost& host, const ArgumentList& arguments) {
    if (arguments.size() == 2 && isSwitch(arguments[1]) && switchName(arguments[1]) == helpSwitch) {
        host.writeOut(utf8(usageText()));
        return exitCode::success;
    }
    if (arguments.size() < 2) {
        return refuseCommandLine(host);
    }
    for (const Verb& verb : verbs) {
        if (asciiLower(arguments[1]) == verb.name) {
            return verb.run(host, ArgumentList(arguments.begin() + 2, arguments.end()));
        }
    }
    return refuseCommandLine(host);
}

}  // namespace

std::int32_t runConfigCommand(ConfigHost& host, const ArgumentList& arguments) {
    // Apply catches what happens while it writes and puts everything back; anything unexpected
    // before or after its writes changed nothing, so it ends as a failure to read.
    try {
        // Ctrl+C and Ctrl+Break are noted for the whole run, so that none ends it half-way: the
        // writes stop at the next one, and a run that was asked to stop never ends as a success.
        const StopCatcher catcher(host);
        const std::int32_t code = dispatch(host, arguments);
        if (host.stopRequested() && (code == exitCode::success || code == exitCode::changed)) {
            host.writeError(stoppedLine);
            return exitCode::restored;
        }
        return code;
    } catch (const ToolError& error) {
        host.writeError(internalErrorMessage(
            error.number, error.source.value_or(std::wstring(programName)), error.description));
    } catch (const std::bad_alloc&) {
        host.writeError(
            internalErrorMessage(status::notEnoughMemory, programName, L"Out of memory"));
    }
    return exitCode::registryUnreadable;
}

}  // namespace volmora::config
