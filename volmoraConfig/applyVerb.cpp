// volmoraConfig apply: validates the whole file, plans, and makes the view's configuration what
// the file says, all or nothing.
#include <new>

#include "applyExecutor.h"
#include "applyPlanner.h"
#include "applyRefusals.h"
#include "classRecord.h"
#include "configFile.h"
#include "exitCodes.h"
#include "planText.h"
#include "toolText.h"
#include "toolUtil.h"
#include "utf8.h"
#include "verbs.h"

namespace volmora::config {

namespace {

constexpr std::wstring_view nothingChanged = L"Nothing was changed.";
constexpr long outOfMemory = 8;  // ERROR_NOT_ENOUGH_MEMORY

struct ApplyRequest {
    bool check = false;
    bool prune = false;
    bool detailedExitCode = false;
    std::wstring backup;
    std::wstring file;
};

// Switches in any order around the one FILE; false for anything else. /backup takes the next
// argument as its file, which may not be a switch.
bool parseRequest(const ArgumentList& operands, ApplyRequest& request) {
    bool fileSeen = false;
    for (std::size_t i = 0; i < operands.size(); ++i) {
        if (!isSwitch(operands[i])) {
            if (fileSeen) {
                return false;
            }
            request.file = operands[i];
            fileSeen = true;
            continue;
        }
        const std::wstring name = switchName(operands[i]);
        if (name == L"check") {
            request.check = true;
        } else if (name == L"prune") {
            request.prune = true;
        } else if (name == L"detailed-exitcode") {
            request.detailedExitCode = true;
        } else if (name == L"backup" && request.backup.empty() && i + 1 < operands.size() &&
                   !operands[i + 1].empty() && !isSwitch(operands[i + 1])) {
            request.backup = operands[++i];
        } else {
            return false;
        }
    }
    return fileSeen && !request.file.empty();
}

std::int32_t refuseFile(ConfigHost& host, const std::wstring& file,
                        const std::vector<std::wstring>& reasons) {
    for (const std::wstring& reason : reasons) {
        host.writeError(quoted(file) + L": " + reason);
    }
    host.writeError(nothingChanged);
    return exitCode::fileRefused;
}

// The writes, and when one fails, putting back what was there. Nothing that goes wrong in
// between, out of memory included, leaves the machine half-written without saying so.
std::int32_t makeWrites(ConfigHost& host, const Plan& plan, const std::vector<KeyChange>& changes) {
    Registry& registry = host.registry();
    WritesEnd end;
    try {
        end = executeWrites(registry, plan.writes);
    } catch (const ToolError& error) {
        end.failure = {error.number, internalErrorMessage(error.number, error.source.value_or(L""),
                                                          error.description)};
    } catch (const std::bad_alloc&) {
        end.failure = {outOfMemory, L"Out of memory"};
    }
    if (end.failure.code == status::success) {
        host.writeOut(utf8(completionLine(plan)) + "\n");
        return exitCode::success;
    }
    host.writeError(errorText(end.failure.step + L": ", end.failure.code));
    PutBack back;
    try {
        back = putBack(registry, changes);
    } catch (const std::bad_alloc&) {
        back.failed.push_back(L"Out of memory while putting the keys back");
    } catch (const ToolError& error) {
        back.failed.push_back(
            internalErrorMessage(error.number, error.source.value_or(L""), error.description));
    }
    if (back.failed.empty() && back.leftAlone.empty()) {
        host.writeError(L"Everything was put back as it was. " + std::wstring(nothingChanged));
        return exitCode::restored;
    }
    host.writeError(L"These keys could not be put back as they were:");
    for (const auto* lines : {&back.failed, &back.leftAlone}) {
        for (const std::wstring& line : *lines) {
            host.writeError(L"  " + line);
        }
    }
    return exitCode::restoreFailed;
}

}  // namespace

std::int32_t runApply(ConfigHost& host, const ArgumentList& operands) {
    ApplyRequest request;
    if (!parseRequest(operands, request)) {
        return refuseCommandLine(host);
    }
    Registry& registry = host.registry();

    std::string bytes;
    if (const long result = host.readFile(request.file, maxFileBytes, bytes); result) {
        if (result == fileTooLarge) {
            return refuseFile(
                host, request.file,
                {L"The file is larger than " +
                 decimal(static_cast<std::int64_t>(maxFileBytes / (1024 * 1024))) + L" MB."});
        }
        host.writeError(fileFailure(L"read", request.file, result));
        return exitCode::fileUnusable;
    }
    Configuration file;
    if (std::wstring refusal = parseConfiguration(bytes, file); !refusal.empty()) {
        return refuseFile(host, request.file, {refusal});
    }
    bytes = {};

    if (!lockConfiguration(host)) {
        host.writeError(nothingChanged);
        return exitCode::lockNotTaken;
    }
    if (!request.check) {
        const ReadFailure rights = checkWriteRights(registry);
        if (rights.code == status::accessDenied) {
            host.writeError(errorText(
                L"No rights to write the configuration: " + rights.step + L": ", rights.code));
            host.writeError(nothingChanged);
            return exitCode::noRights;
        }
        if (rights.code != status::success) {
            host.writeError(errorText(rights.step + L": ", rights.code));
            return exitCode::registryUnreadable;
        }
    }
    Machine machine;
    if (!readMachine(host, machine)) {
        return exitCode::registryUnreadable;
    }
    if (const auto reasons = refusals(file, machine, request.prune); !reasons.empty()) {
        return refuseFile(host, request.file, reasons);
    }

    Plan plan;
    RegistryComState com(registry);
    if (const ReadFailure failure = makePlan(
            file, machine, request.prune, bridgeDllPath(registry, host.programPath()), com, plan);
        failure.code) {
        host.writeError(errorText(failure.step + L": ", failure.code));
        return exitCode::registryUnreadable;
    }
    std::string planText;
    for (const std::wstring& line : planLines(plan)) {
        planText += utf8(line) + "\n";
    }
    host.writeOut(planText);

    if (!request.backup.empty()) {
        if (const std::int32_t code = writeConfiguration(host, request.backup, machine.own); code) {
            host.writeError(nothingChanged);
            return code;
        }
    }
    const std::int32_t noErrorCode =
        request.detailedExitCode && !plan.empty() ? exitCode::changed : exitCode::success;
    if (request.check || plan.empty()) {
        return noErrorCode;
    }

    std::vector<KeyChange> changes;
    if (const ReadFailure failure = keyChanges(registry, plan.writes, changes); failure.code) {
        host.writeError(errorText(failure.step + L": ", failure.code));
        host.writeError(nothingChanged);
        return exitCode::registryUnreadable;
    }
    const std::int32_t code = makeWrites(host, plan, changes);
    return code == exitCode::success ? noErrorCode : code;
}

}  // namespace volmora::config
