// volmoraConfig apply: validates the whole file, plans, and makes the view's configuration what
// the file says, all or nothing.
#include <new>

#include "applyPlan.h"
#include "bindObject.h"
#include "configFile.h"
#include "exitCodes.h"
#include "keySnapshot.h"
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

// Switches in any order around the one FILE; false for anything else.
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
        } else if (name == L"backup" && i + 1 < operands.size() && !operands[i + 1].empty()) {
            request.backup = operands[++i];
        } else {
            return false;
        }
    }
    return fileSeen && !request.file.empty();
}

std::wstring count(std::size_t number) {
    return decimal(static_cast<std::int64_t>(number));
}

std::int32_t refuseFile(ConfigHost& host, const std::wstring& file,
                        const std::vector<std::wstring>& reasons) {
    for (const std::wstring& reason : reasons) {
        host.writeError(quoted(file) + L": " + reason);
    }
    host.writeError(nothingChanged);
    return exitCode::fileRefused;
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
                {L"The file is larger than " + count(maxFileBytes / (1024 * 1024)) + L" MB."});
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
        return exitCode::restored;
    }
    if (!request.check) {
        if (const std::int32_t code = refuseWithoutRights(host); code) {
            return code;
        }
    }
    // After the rights: putting a journal back needs them too.
    if (const std::int32_t code =
            settleJournal(host, request.check ? JournalUse::readOnly : JournalUse::writes);
        code) {
        return code;
    }
    Machine machine;
    Configuration other;
    if (!readView(host, KeyAccess::read, machine.own) ||
        !readView(host, KeyAccess::readOtherView, other)) {
        return exitCode::registryUnreadable;
    }
    machine.otherClasses = std::move(other.classes);
    if (const auto reasons = refusals(file, machine, request.prune); !reasons.empty()) {
        return refuseFile(host, request.file, reasons);
    }

    Plan plan;
    const std::wstring libraryPath = bridgeDllPath(registry, host.programPath());
    if (const ReadFailure failure =
            makePlan(registry, file, machine, request.prune, libraryPath, plan);
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

    Snapshot saved;
    for (const TouchedKey& key : touchedKeys(plan)) {
        if (const ReadFailure failure = saved.save(registry, key.root, key.path); failure.code) {
            host.writeError(errorText(failure.step + L": ", failure.code));
            host.writeError(nothingChanged);
            return exitCode::registryUnreadable;
        }
    }
    ReadFailure failure;
    try {
        failure = executePlan(registry, plan);
    } catch (const ToolError& error) {
        failure = {error.number, internalErrorMessage(error.number, error.source.value_or(L""),
                                                      error.description)};
    } catch (const std::bad_alloc&) {
        failure = {outOfMemory, L"Out of memory"};
    }
    if (failure.code) {
        host.writeError(errorText(failure.step + L": ", failure.code));
        const std::vector<std::wstring> left = saved.restore(registry);
        if (left.empty()) {
            host.writeError(L"Everything was put back as it was. " + std::wstring(nothingChanged));
            return exitCode::restored;
        }
        host.writeError(L"These keys could not be put back as they were:");
        for (const std::wstring& key : left) {
            host.writeError(L"  " + key);
        }
        return exitCode::restoreFailed;
    }
    host.writeOut(utf8(L"Apply complete: " + count(plan.count(ChangeKind::add)) + L" added, " +
                       count(plan.count(ChangeKind::change)) + L" changed, " +
                       count(plan.count(ChangeKind::remove)) + L" removed.") +
                  "\n");
    return noErrorCode;
}

}  // namespace volmora::config
