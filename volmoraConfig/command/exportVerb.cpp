// volmoraConfig export [FILE]: the view's whole configuration as JSON, with a warning on
// standard error for each value it leaves out and each record that apply would refuse.
#include <algorithm>

#include "command/configCommand.h"
#include "command/verbSupport.h"
#include "command/verbs.h"
#include "commandDispatch.h"
#include "exitCodes.h"
#include "journal/pendingJournal.h"
#include "plan/applyRefusals.h"
#include "toolText.h"
#include "utf16.h"

namespace volmora::config {

namespace {

bool isValidUtf16(std::wstring_view text) {
    const std::vector<std::uint8_t> bytes = utf16Bytes(text);
    return loneSurrogateAt(bytes.data(), bytes.size() / 2 - 1) == std::wstring_view::npos;
}

// What of a value keeps it out of the file: a name or a text that is no valid UTF-16, which the
// file's UTF-8 cannot hold (it would come back as another name, or another text).
bool exportable(const Value& value) {
    return isValidUtf16(value.name) && isValidUtf16(value.text);
}

bool exportable(const Record& record) {
    return isValidUtf16(record.name) &&
           std::all_of(record.values.begin(), record.values.end(),
                       [](const Value& value) { return exportable(value); });
}

// The configuration without what the file cannot hold, each left out with a warning. Made only
// when something is left out; own is written as it is otherwise.
bool leaveOutWhatCannotRoundTrip(ConfigHost& host, const Configuration& own, Configuration& kept) {
    bool leftOut = false;
    for (const Collection collection : allCollections) {
        for (const Record& record : own.records(collection)) {
            leftOut = leftOut || !exportable(record);
        }
    }
    if (!leftOut) {
        return false;
    }
    const std::wstring cannot = L" is not valid UTF-16 and is left out.";
    for (const Collection collection : allCollections) {
        for (const Record& record : own.records(collection)) {
            const std::wstring noun = std::wstring(recordNoun(collection));
            if (!isValidUtf16(record.name)) {
                host.writeError(L"warning: " + noun + L" " + quoted(record.name) + L": its name" +
                                cannot);
                continue;
            }
            kept.startRecord(collection, record.name);
            for (const Value& value : record.values) {
                if (exportable(value)) {
                    kept.addValue(value.name, value.text);
                } else {
                    host.writeError(L"warning: " + noun + L" " + quoted(record.name) + L": value " +
                                    quoted(value.name) + cannot);
                }
            }
            for (const std::wstring_view name : record.otherTypes) {
                kept.addOtherType(name);
            }
            kept.endRecord();
        }
    }
    sortConfiguration(kept);
    return true;
}

}  // namespace

std::int32_t runExport(ConfigHost& host, const ArgumentList& operands) {
    if (operands.size() > 1 || (operands.size() == 1 && isSwitch(operands[0]))) {
        return refuseCommandLine(host);
    }
    if (!lockConfiguration(host)) {
        return exitCode::lockNotTaken;
    }
    Machine machine;
    if (const std::int32_t code = settleJournal(host, JournalUse::readOnly); code) {
        return code;
    }
    if (!readMachine(host, machine)) {
        return exitCode::registryUnreadable;
    }
    for (const Collection collection : allCollections) {
        for (const Record& record : machine.own.records(collection)) {
            for (const std::wstring_view name : record.otherTypes) {
                host.writeError(L"warning: " + std::wstring(recordNoun(collection)) + L" " +
                                quoted(record.name) + L": value " + quoted(name) +
                                L" is not REG_SZ and is left out.");
            }
        }
    }
    Configuration kept;
    const bool leftOut = leaveOutWhatCannotRoundTrip(host, machine.own, kept);
    const Configuration& written = leftOut ? kept : machine.own;
    for (const std::wstring& refusal : refusals(written, machine, false)) {
        host.writeError(L"warning: " + refusal + L" Apply would refuse this file.");
    }
    return writeConfiguration(host, operands.empty() ? std::wstring() : operands[0], written);
}

}  // namespace volmora::config
