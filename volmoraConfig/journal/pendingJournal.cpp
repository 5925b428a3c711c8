// Finding, refusing and recovering a journal, and the flush before it goes.
#include "journal/pendingJournal.h"

#include <optional>
#include <utility>

#include "exitCodes.h"
#include "journal/journaledWrites.h"
#include "toolText.h"
#include "utf8.h"

namespace volmora::config {

namespace {

std::wstring buildName(std::uint32_t viewBits) {
    return decimal(viewBits) + L"-bit volmoraConfig";
}

// A journal that cannot be used: kept, and how to discard it.
std::int32_t refuseUnusable(ConfigHost& host, const std::wstring& what, const std::wstring& why,
                            const std::wstring& discard) {
    host.writeError(what + L" " + why + L" It was kept, not used, and nothing was changed.");
    host.writeError(L"After a look, discard it from an elevated prompt with: " + discard);
    return exitCode::journalUnusable;
}

}  // namespace

std::int32_t findJournal(ConfigHost& host, JournalUse use, std::optional<Journal>& pending) {
    pending.reset();
    JournalStore& store = host.journal();
    JournalFound found;
    if (const long result = store.read(maxJournalBytes, found); result == fileTooLarge) {
        return refuseUnusable(host, L"The journal " + quoted(store.path()) + L" cannot be used.",
                              L"It is larger than any journal that apply writes.",
                              L"del " + quoted(store.path()));
    } else if (result != status::success) {
        host.writeError(fileFailure(L"read the journal", store.path(), result));
        return exitCode::fileUnusable;
    }
    if (found.securityKept && found.folderExists) {
        if (const std::wstring why = distrust(found.folder); !why.empty()) {
            return refuseUnusable(
                host, L"The journal folder " + quoted(store.folder()) + L" cannot be trusted.", why,
                L"rd /s /q " + quoted(store.folder()));
        }
    }
    if (use == JournalUse::writes) {
        if (const long result = store.clearStale(); result != status::success) {
            host.writeError(L"warning: " +
                            fileFailure(L"clear the temporary files of", store.folder(), result));
        }
    }
    if (!found.fileExists) {
        return exitCode::success;
    }
    const std::wstring journalName = L"The journal " + quoted(store.path());
    if (found.notAFile) {
        return refuseUnusable(host, journalName + L" cannot be used.",
                              L"It is a folder, not a journal file.",
                              L"rd /s /q " + quoted(store.path()));
    }
    if (found.securityKept) {
        if (const std::wstring why = distrust(found.file); !why.empty()) {
            return refuseUnusable(host, journalName + L" cannot be trusted.", why,
                                  L"del " + quoted(store.path()));
        }
    }
    Journal journal;
    if (const std::wstring why = decodeJournal(found.bytes, journal); !why.empty()) {
        return refuseUnusable(host, journalName + L" cannot be used.", why,
                              L"del " + quoted(store.path()));
    }
    const std::wstring ended = L"A run of the " + buildName(journal.viewBits) + L" (" +
                               std::wstring(journalVerbName(journal.verb)) +
                               L") was ended part-way: its journal " + quoted(store.path()) +
                               L" holds what it changed.";
    if (journal.viewBits != ownViewBits) {
        host.writeError(ended + L" Nothing was read or changed.");
        host.writeError(L"Run " + quoted(recoverCommand) + L" of the " +
                        buildName(journal.viewBits) + L", elevated, to put it back.");
        return exitCode::journalPending;
    }
    if (use == JournalUse::readOnly) {
        host.writeError(ended + L" Nothing was read.");
        host.writeError(L"Run " + quoted(recoverCommand) +
                        L", elevated, to put the machine back as it was before that run.");
        return exitCode::journalPending;
    }
    host.writeError(ended);
    pending = std::move(journal);
    return exitCode::success;
}

std::int32_t settleJournal(ConfigHost& host, JournalUse use) {
    std::optional<Journal> pending;
    if (const std::int32_t code = findJournal(host, use, pending); code != exitCode::success) {
        return code;
    }
    if (!pending) {
        return exitCode::success;
    }
    host.writeError(L"Putting it back first.");
    return recoverJournal(host, *pending);
}

std::int32_t recoverJournal(ConfigHost& host, const Journal& journal) {
    const PutBack done = putBackCaught(host, journal.changes);
    std::string out;
    for (const std::wstring& key : done.restored) {
        out += utf8(L"Put back: " + key) + "\n";
    }
    host.writeOut(out);
    reportLeftAlone(host, done);
    if (!done.failed.empty()) {
        host.writeError(L"These keys could not be put back as they were:");
        for (const std::wstring& key : done.failed) {
            host.writeError(L"  " + key);
        }
        host.writeError(L"The journal " + quoted(host.journal().path()) + L" was kept: run " +
                        quoted(recoverCommand) + L" again.");
        return exitCode::restoreFailed;
    }
    KeysToFlush flush;
    for (const KeyChange& change : journal.changes) {
        flush.note(change);
    }
    flush.flush(host);
    if (const long result = host.journal().remove(); result != status::success) {
        host.writeError(fileFailure(L"delete the journal", host.journal().path(), result));
        return exitCode::fileUnusable;
    }
    host.writeOut(
        utf8(L"Recover complete: " + decimal(static_cast<std::int64_t>(done.restored.size())) +
             L" keys put back, " + decimal(static_cast<std::int64_t>(done.leftAlone.size())) +
             L" left alone.") +
        "\n");
    return exitCode::success;
}

}  // namespace volmora::config
