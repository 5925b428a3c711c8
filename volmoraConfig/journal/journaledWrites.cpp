// Journaled writes: the journal first, key by key as the states are read, then the writes, then
// the flush and the journal's deletion; a failed run is put back from the journal on disk.
#include "journal/journaledWrites.h"

#include <algorithm>
#include <new>
#include <optional>

#include "exitCodes.h"
#include "journal/writeExecutor.h"
#include "toolText.h"
#include "toolUtil.h"

namespace volmora::config {

namespace {

// The machine's classes and the user's, which HKEY_CLASSES_ROOT merges.
constexpr std::wstring_view machineClasses = L"SOFTWARE\\Classes";
constexpr std::wstring_view userClasses = L"Software\\Classes";

// The writes; an unexpected error among them is a failed write, so that what was written goes
// back.
WritesEnd executeCaught(ConfigHost& host, const WriteUnits& writes) {
    WritesEnd end;
    try {
        end = executeWrites(host.registry(), writes, [&host] { return host.stopRequested(); });
    } catch (const ToolError& error) {
        end.failure = {error.number, internalErrorMessage(error.number, error.source.value_or(L""),
                                                          error.description)};
    } catch (const std::bad_alloc&) {
        end.failure = {status::notEnoughMemory, L"Out of memory"};
    }
    return end;
}

// Reads the state of every key that writes touch into the encoders given: 0, or
// exitCode::registryUnreadable after the failure's lines.
std::int32_t readChanges(ConfigHost& host, const WriteUnits& writes, JournalEncoder* journal,
                         JournalEncoder* backup, KeysToFlush& flush) {
    const ReadFailure failure = keyChanges(host.registry(), writes, [&](const KeyChange& change) {
        for (JournalEncoder* encoder : {journal, backup}) {
            if (encoder != nullptr) {
                encoder->add(change);
            }
        }
        flush.note(change);
    });
    if (failure.code != status::success) {
        host.writeError(errorText(failure.step + L": ", failure.code));
        host.writeError(nothingChanged);
        return exitCode::registryUnreadable;
    }
    return exitCode::success;
}

// Ends a run that was asked to stop before it wrote anything: exitCode::restored, or 0 to go on.
std::int32_t stopBeforeWriting(ConfigHost& host) {
    if (!host.stopRequested()) {
        return exitCode::success;
    }
    host.writeError(stoppedLine);
    host.writeError(nothingChanged);
    return exitCode::restored;
}

// Why a journal or a backup could not be written: one that would be too large for recover and
// restore to read is said so.
std::wstring encodeFailure(std::wstring_view what, const std::wstring& path, long result) {
    if (result == fileTooLarge) {
        return L"The " + std::wstring(what) + L" " + quoted(path) + L" would be larger than " +
               decimal(static_cast<std::int64_t>(maxJournalBytes >> 20)) +
               L" MB, more than recover and restore read: apply the file in parts.";
    }
    return fileFailure(L"write", path, result);
}

std::int32_t finishBackup(ConfigHost& host, JournalEncoder& encoder, StringJournalSink& sink,
                          const std::wstring& backup) {
    if (const long result = encoder.finish(); result) {
        host.writeError(encodeFailure(L"backup", backup, result));
        host.writeError(nothingChanged);
        return exitCode::fileUnusable;
    }
    if (const std::int32_t code = stopBeforeWriting(host); code) {
        return code;
    }
    if (const long result = host.writeFile(backup, sink.bytes); result) {
        host.writeError(fileFailure(L"write", backup, result));
        host.writeError(nothingChanged);
        return exitCode::fileUnusable;
    }
    return exitCode::success;
}

// Puts back what the journal on disk holds, after a failed or stopped run.
PutBack putBackFromJournal(ConfigHost& host, KeysToFlush& flush) {
    JournalStore& store = host.journal();
    JournalFound found;
    Journal journal;
    if (const long result = store.read(maxJournalBytes, found); result != status::success) {
        return {
            {}, {}, {errorText(L"Can't read the journal " + quoted(store.path()) + L": ", result)}};
    }
    if (const std::wstring why = decodeJournal(found.bytes, journal); !why.empty()) {
        return {{}, {}, {L"The journal " + quoted(store.path()) + L" cannot be used. " + why}};
    }
    found = {};
    for (const KeyChange& change : journal.changes) {
        flush.note(change);
    }
    return putBackCaught(host, journal.changes);
}

}  // namespace

void KeysToFlush::note(const KeyChange& change) {
    const std::wstring_view path = change.path;
    if (change.root == classesRoot) {
        classes_ = true;
        return;
    }
    const std::wstring_view top = path.substr(0, path.find(L'\\'));
    if (std::find(machineTops_.begin(), machineTops_.end(), top) == machineTops_.end()) {
        machineTops_.emplace_back(top);
    }
}

void KeysToFlush::flush(ConfigHost& host) const {
    std::vector<std::pair<KeyHandle, std::wstring>> keys;
    for (const std::wstring& top : machineTops_) {
        keys.emplace_back(localMachine, top);
    }
    if (classes_) {
        keys.emplace_back(localMachine, machineClasses);
        keys.emplace_back(currentUser, userClasses);
    }
    for (const auto& [root, path] : keys) {
        const long result = host.flushKey(root, path);
        if (result != status::success && result != status::fileNotFound) {
            host.writeError(
                L"warning: " +
                errorText(L"Can't flush " + quoted(fullKeyName(root, path)) + L" key: ", result));
        }
    }
}

void reportLeftAlone(ConfigHost& host, const PutBack& back) {
    for (const std::wstring& key : back.leftAlone) {
        host.writeError(std::wstring(leftAloneLine) + key);
    }
}

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

std::int32_t writeBackup(ConfigHost& host, const WriteUnits& writes, const std::wstring& backup) {
    StringJournalSink sink;
    JournalEncoder encoder(sink, ownViewBits, JournalVerb::backup);
    KeysToFlush unused;
    if (const std::int32_t code = readChanges(host, writes, nullptr, &encoder, unused); code) {
        return code;
    }
    return finishBackup(host, encoder, sink, backup);
}

std::int32_t writeJournaled(ConfigHost& host, JournalVerb verb, const WriteUnits& writes,
                            const std::wstring& backup) {
    JournalStore& store = host.journal();
    if (const std::int32_t code = stopBeforeWriting(host); code) {
        return code;
    }
    const auto journalFailure = [&](long result) {
        host.writeError(result == fileTooLarge
                            ? encodeFailure(L"journal", store.path(), result)
                            : fileFailure(L"write the journal", store.path(), result));
        host.writeError(nothingChanged);
        return exitCode::fileUnusable;
    };
    KeysToFlush flush;
    {
        std::unique_ptr<JournalFile> file;
        if (const long result = store.create(file); result) {
            return journalFailure(result);
        }
        JournalEncoder journal(*file, ownViewBits, verb);
        std::optional<StringJournalSink> backupSink;
        std::optional<JournalEncoder> backupEncoder;
        if (!backup.empty()) {
            backupEncoder.emplace(backupSink.emplace(), ownViewBits, JournalVerb::backup);
        }
        if (const std::int32_t code = readChanges(host, writes, &journal,
                                                  backupEncoder ? &*backupEncoder : nullptr, flush);
            code) {
            return code;
        }
        if (backupEncoder) {
            if (const std::int32_t code = finishBackup(host, *backupEncoder, *backupSink, backup);
                code) {
                return code;
            }
        }
        long result = journal.finish();
        if (result == status::success) {
            result = file->commit();
        }
        if (result != status::success) {
            return journalFailure(result);
        }
    }
    const WritesEnd end = executeCaught(host, writes);
    if (end.failure.code == status::success && !end.stopped) {
        flush.flush(host);
        if (const long result = store.remove(); result != status::success) {
            host.writeError(fileFailure(L"delete the journal", store.path(), result));
            return exitCode::fileUnusable;
        }
        return exitCode::success;
    }
    if (end.failure.code != status::success) {
        host.writeError(errorText(end.failure.step + L": ", end.failure.code));
    } else {
        host.writeError(stoppedLine);
    }
    const PutBack back = putBackFromJournal(host, flush);
    reportLeftAlone(host, back);
    if (back.failed.empty()) {
        flush.flush(host);
        if (const long result = store.remove(); result != status::success) {
            host.writeError(fileFailure(L"delete the journal", store.path(), result));
        }
        host.writeError(back.leftAlone.empty()
                            ? L"Everything was put back as it was. " + std::wstring(nothingChanged)
                            : std::wstring(L"Everything else was put back as it was."));
        return exitCode::restored;
    }
    host.writeError(L"These keys could not be put back as they were:");
    for (const std::wstring& key : back.failed) {
        host.writeError(L"  " + key);
    }
    host.writeError(L"The journal " + quoted(store.path()) + L" was kept: run " +
                    quoted(recoverCommand) + L" to try again.");
    return exitCode::restoreFailed;
}

}  // namespace volmora::config
