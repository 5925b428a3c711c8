// Journaled writes: journal first, then the writes, then the flush and the journal's deletion.
#include "journaledWrites.h"

#include <new>

#include "applyExecutor.h"
#include "exitCodes.h"
#include "pendingJournal.h"
#include "toolText.h"
#include "toolUtil.h"
#include "verbs.h"

namespace volmora::config {

namespace {

constexpr std::wstring_view nothingChanged = L"Nothing was changed.";
constexpr long outOfMemory = 8;  // ERROR_NOT_ENOUGH_MEMORY

// The writes; an unexpected error among them is a failed write, so that what was written goes
// back.
WritesEnd executeCaught(ConfigHost& host, const std::vector<KeyWrite>& writes) {
    const StopCatcher catcher(host);
    WritesEnd end;
    try {
        end = executeWrites(host.registry(), writes, [&host] { return host.stopRequested(); });
    } catch (const ToolError& error) {
        end.failure = {error.number, internalErrorMessage(error.number, error.source.value_or(L""),
                                                          error.description)};
    } catch (const std::bad_alloc&) {
        end.failure = {outOfMemory, L"Out of memory"};
    }
    return end;
}

}  // namespace

PutBack putBackCaught(ConfigHost& host, const std::vector<KeyChange>& changes) {
    PutBack back;
    try {
        back = putBack(host.registry(), changes);
    } catch (const std::bad_alloc&) {
        back.failed.push_back(L"Out of memory while putting the keys back");
    } catch (const ToolError& error) {
        back.failed.push_back(
            internalErrorMessage(error.number, error.source.value_or(L""), error.description));
    }
    return back;
}

std::int32_t writeJournaled(ConfigHost& host, JournalVerb verb, const std::vector<KeyWrite>& writes,
                            const std::vector<KeyChange>& changes) {
    JournalStore& store = host.journal();
    if (const long result = store.write(encodeJournal({ownViewBits, verb, changes})); result) {
        host.writeError(fileFailure(L"write the journal", store.path(), result));
        host.writeError(nothingChanged);
        return exitCode::fileUnusable;
    }
    const WritesEnd end = executeCaught(host, writes);
    if (end.failure.code == status::success && !end.stopped) {
        flushChangedKeys(host, changes);
        if (const long result = store.remove(); result != status::success) {
            host.writeError(fileFailure(L"delete the journal", store.path(), result));
            return exitCode::fileUnusable;
        }
        return exitCode::success;
    }
    if (end.failure.code != status::success) {
        host.writeError(errorText(end.failure.step + L": ", end.failure.code));
    } else {
        host.writeError(L"Stopped by Ctrl+C or Ctrl+Break.");
    }
    const PutBack back = putBackCaught(host, changes);
    if (back.failed.empty() && back.leftAlone.empty()) {
        flushChangedKeys(host, changes);
        if (const long result = store.remove(); result != status::success) {
            host.writeError(fileFailure(L"delete the journal", store.path(), result));
        }
        host.writeError(L"Everything was put back as it was. " + std::wstring(nothingChanged));
        return exitCode::restored;
    }
    host.writeError(L"These keys could not be put back as they were:");
    for (const std::wstring& key : back.failed) {
        host.writeError(L"  " + key);
    }
    for (const std::wstring& key : back.leftAlone) {
        host.writeError(L"  " + key);
    }
    host.writeError(L"The journal " + quoted(store.path()) + L" was kept: run " +
                    quoted(recoverCommand) + L" to try again.");
    return exitCode::restoreFailed;
}

}  // namespace volmora::config
