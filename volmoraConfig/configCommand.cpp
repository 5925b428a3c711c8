// volmoraConfig's dispatch: the verb table, the usage text and the switch rule, and the
// routines the verbs share.
#include <array>
#include <new>

#include "configFile.h"
#include "exitCodes.h"
#include "toolText.h"
#include "toolUtil.h"
#include "utf8.h"
#include "verbs.h"

namespace volmora::config {

namespace {

constexpr std::wstring_view programName = L"volmoraConfig";
constexpr std::wstring_view helpSwitch = L"?";
constexpr std::int32_t outOfMemory = 8;  // ERROR_NOT_ENOUGH_MEMORY

constexpr std::array verbs = {
    Verb{L"export", L"[FILE]", runExport},
    Verb{L"apply", L"[/check] [/prune] [/detailed-exitcode] [/backup BACKUPFILE] FILE", runApply},
    Verb{L"check", L"[/json]", runCheck},
};

}  // namespace

std::wstring usageText() {
    std::wstring text;
    for (const Verb& verb : verbs) {
        text += text.empty() ? L"Usage: " : L"       ";
        text += programName;
        text += L" ";
        text += verb.name;
        text += L" ";
        text += verb.usage;
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

bool isSwitch(std::wstring_view argument) {
    return argument.starts_with(L'/') || argument.starts_with(L'-');
}

std::wstring switchName(std::wstring_view argument) {
    return asciiLower(argument.substr(1));
}

bool lockConfiguration(ConfigHost& host) {
    std::wstring why;
    if (const long result = host.lock(why); result != status::success) {
        host.writeError(errorText(L"Can't lock the configuration (" + why + L"): ", result));
        return false;
    }
    return true;
}

bool readView(ConfigHost& host, KeyAccess access, Configuration& configuration) {
    const ReadFailure failure = readConfiguration(host.registry(), access, configuration);
    if (failure.code != status::success) {
        host.writeError(errorText(failure.step + L": ", failure.code));
        return false;
    }
    return true;
}

bool readMachine(ConfigHost& host, Machine& machine) {
    Configuration other;
    if (!readView(host, KeyAccess::read, machine.own) ||
        !readView(host, KeyAccess::readOtherView, other)) {
        return false;
    }
    machine.otherClasses = std::move(other.classes);
    return true;
}

std::wstring fileFailure(std::wstring_view verb, const std::wstring& path, long code) {
    return errorText(L"Can't " + std::wstring(verb) + L" " + quoted(path) + L": ", code);
}

std::int32_t writeConfiguration(ConfigHost& host, const std::wstring& path,
                                const Configuration& configuration) {
    const std::string text = renderConfiguration(configuration);
    if (path.empty()) {
        host.writeOut(text);
        return exitCode::success;
    }
    if (const long result = host.writeFile(path, text); result != status::success) {
        host.writeError(fileFailure(L"write", path, result));
        return exitCode::fileUnusable;
    }
    return exitCode::success;
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
        return dispatch(host, arguments);
    } catch (const ToolError& error) {
        host.writeError(internalErrorMessage(
            error.number, error.source.value_or(std::wstring(programName)), error.description));
    } catch (const std::bad_alloc&) {
        host.writeError(internalErrorMessage(outOfMemory, programName, L"Out of memory"));
    }
    return exitCode::registryUnreadable;
}

}  // namespace volmora::config
