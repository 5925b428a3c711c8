// volmoraConfig restore [/check [/json]] FILE: puts back the keys of a backup (written by apply
// /backup in the journal's format) as they were, all or nothing, whatever the machine holds now.
#include "command/configCommand.h"
#include "command/verbSupport.h"
#include "command/verbs.h"
#include "commandDispatch.h"
#include "exitCodes.h"
#include "journal/journaledWrites.h"
#include "journal/pendingJournal.h"
#include "plan/planJson.h"
#include "plan/restorePlan.h"
#include "toolText.h"
#include "utf8.h"

namespace volmora::config {

namespace {

std::int32_t refuseBackup(ConfigHost& host, const std::wstring& file, const std::wstring& why) {
    host.writeError(quoted(file) + L": " + why);
    host.writeError(nothingChanged);
    return exitCode::fileRefused;
}

}  // namespace

std::int32_t runRestore(ConfigHost& host, const ArgumentList& operands) {
    bool check = false;
    bool json = false;
    std::wstring file;
    for (const std::wstring& operand : operands) {
        if (isSwitch(operand) && switchName(operand) == L"check" && !check) {
            check = true;
        } else if (isSwitch(operand) && switchName(operand) == L"json" && !json) {
            json = true;
        } else if (!isSwitch(operand) && file.empty() && !operand.empty()) {
            file = operand;
        } else {
            return refuseCommandLine(host);
        }
    }
    // The JSON plan is the whole output of a dry run, as for apply.
    if (file.empty() || (json && !check)) {
        return refuseCommandLine(host);
    }
    std::string bytes;
    if (const long result = host.readFile(file, maxJournalBytes, bytes); result == fileTooLarge) {
        return refuseBackup(host, file, L"It is larger than any backup that apply writes.");
    } else if (result != status::success) {
        host.writeError(fileFailure(L"read", file, result));
        return exitCode::fileUnusable;
    }
    Journal backup;
    if (const std::wstring why = decodeJournal(bytes, backup); !why.empty()) {
        return refuseBackup(host, file, why);
    }
    bytes = {};
    if (backup.viewBits != ownViewBits) {
        return refuseBackup(host, file,
                            L"It holds the keys of the " + decimal(backup.viewBits) +
                                L"-bit registry view: restore it with the " +
                                decimal(backup.viewBits) + L"-bit volmoraConfig.");
    }
    if (!lockConfiguration(host)) {
        host.writeError(nothingChanged);
        return exitCode::lockNotTaken;
    }
    // Rights first: putting a journal back needs them too.
    if (!check) {
        if (const std::int32_t code = refuseWithoutRights(host); code != exitCode::success) {
            return code;
        }
    }
    if (const std::int32_t code =
            settleJournal(host, check ? JournalUse::readOnly : JournalUse::writes);
        code != exitCode::success) {
        return code;
    }
    {
        // Both views share the ProgID keys: the other view's classes keep theirs.
        Configuration otherView;
        if (!readView(host, KeyAccess::readOtherView, otherView)) {
            return exitCode::registryUnreadable;
        }
        std::vector<std::wstring> kept;
        keepTheOtherViewsProgIdKeys(otherView, backup, kept);
        for (const std::wstring& key : kept) {
            host.writeError(L"The key " + quoted(key) +
                            L" stays as it is: a class record of the other registry view uses it.");
        }
    }
    std::vector<KeyWrite> writes;
    RestorePlan plan;
    if (const ReadFailure failure = planRestore(host.registry(), backup, writes, plan);
        failure.code) {
        host.writeError(errorText(failure.step + L": ", failure.code));
        return exitCode::registryUnreadable;
    }
    if (json) {
        TextChunks out([&host](std::string_view chunk) { host.writeOut(chunk); });
        PlanJson document(out);
        for (const PlannedKey& key : plan.keys) {
            document.change(key.kind, restoredKeyNoun, key.name, {}, key.details);
        }
        document.finish(plan.count(ChangeKind::add), plan.count(ChangeKind::change),
                        plan.count(ChangeKind::remove), plan.leftAlone);
    } else {
        host.writeOut(utf8(restorePlanText(plan)));
    }
    if (check || writes.empty()) {
        return exitCode::success;
    }
    const std::int32_t code =
        writeJournaled(host, JournalVerb::restore, WriteList(std::move(writes)));
    if (code == exitCode::success) {
        host.writeOut("Restore complete.\n");
    }
    return code;
}

}  // namespace volmora::config
