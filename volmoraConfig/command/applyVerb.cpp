// volmoraConfig apply: validates the whole file, plans, and makes the view's configuration what
// the file says, all or nothing.

#include "classRecord.h"
#include "command/configCommand.h"
#include "command/verbSupport.h"
#include "command/verbs.h"
#include "commandDispatch.h"
#include "exitCodes.h"
#include "journal/journaledWrites.h"
#include "journal/pendingJournal.h"
#include "model/configFile.h"
#include "plan/applyPlanner.h"
#include "plan/applyRefusals.h"
#include "plan/planJson.h"
#include "plan/planText.h"
#include "toolText.h"
#include "toolUtil.h"
#include "utf8.h"

namespace volmora::config {

namespace {

struct ApplyRequest {
    bool check = false;
    bool json = false;
    bool prune = false;
    bool detailedExitCode = false;
    std::wstring backup;
    std::wstring file;
};

// Switches in any order around the one FILE; false for anything else. /backup takes the next
// argument as its file, which may not be a switch. /json needs /check: the JSON plan is the whole
// output of a dry run, where a run that writes prints more after its plan.
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
        } else if (name == L"json") {
            request.json = true;
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
    return fileSeen && !request.file.empty() && (request.check || !request.json);
}

std::int32_t refuseFile(ConfigHost& host, const std::wstring& file,
                        const std::vector<std::wstring>& reasons) {
    for (const std::wstring& reason : reasons) {
        host.writeError(quoted(file) + L": " + reason);
    }
    host.writeError(nothingChanged);
    return exitCode::fileRefused;
}

// With nothing to change, a backup that is there stays as it is: it still undoes the run that
// made the change (a run on a fixed backup name, every night, keeps its undo point). Whether it
// is there is asked by reading none of it.
bool keepBackup(ConfigHost& host, const std::wstring& backup) {
    std::string none;
    if (host.readFile(backup, 0, none) == status::fileNotFound) {
        return false;
    }
    host.writeOut(
        utf8(L"Nothing to change: the backup " + quoted(backup) + L" was left as it is.") + "\n");
    return true;
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
    if (!readMachine(host, machine)) {
        return exitCode::registryUnreadable;
    }
    if (const auto reasons = refusals(file, machine, request.prune); !reasons.empty()) {
        return refuseFile(host, request.file, reasons);
    }

    Plan plan;
    const std::wstring libraryPath = bridgeDllPath(registry, host.programPath());
    {
        // The plan is printed as it is made; the reader's keys are closed before the first write.
        RegistryComState com(registry);
        std::vector<std::wstring> held;
        if (const ReadFailure failure = heldProgIdKeys(file, machine, com, held); failure.code) {
            host.writeError(errorText(failure.step + L": ", failure.code));
            return exitCode::registryUnreadable;
        }
        if (!held.empty()) {
            return refuseFile(host, request.file, held);
        }
        TextChunks out([&host](std::string_view chunk) { host.writeOut(chunk); });
        PlanText text(out);
        PlanJson json(out);
        if (const ReadFailure failure =
                makePlan(file, machine, request.prune, libraryPath, com, plan,
                         request.json ? static_cast<PlanListener&>(json) : text);
            failure.code) {
            out.flush();
            host.writeError(errorText(failure.step + L": ", failure.code));
            return exitCode::registryUnreadable;
        }
        if (request.json) {
            json.finish(plan.count(ChangeKind::add), plan.count(ChangeKind::change),
                        plan.count(ChangeKind::remove));
        } else {
            text.end(plan);
        }
    }
    for (const std::wstring& kept : plan.keptKeys) {
        host.writeError(L"The key " + quoted(kept) +
                        L" holds more than registration writes: it stays, and only the bridge's "
                        L"subkeys below it go.");
    }
    const std::int32_t noErrorCode =
        request.detailedExitCode && !plan.empty() ? exitCode::changed : exitCode::success;
    if ((request.check || plan.empty()) && request.backup.empty()) {
        return noErrorCode;
    }
    if (plan.empty() && !request.backup.empty() && keepBackup(host, request.backup)) {
        return noErrorCode;
    }
    const PlannedWrites writes(plan, file, machine, libraryPath);
    if (request.check || plan.empty()) {
        const std::int32_t code = writeBackup(host, writes, request.backup);
        return code != exitCode::success ? code : noErrorCode;
    }
    const std::int32_t code = writeJournaled(host, JournalVerb::apply, writes, request.backup);
    if (code == exitCode::success) {
        host.writeOut(utf8(completionLine(plan)) + "\n");
        return noErrorCode;
    }
    return code;
}

}  // namespace volmora::config
