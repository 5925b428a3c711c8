// Fuzzes volmoraRun's portable logic: any command line the runner is given reaches the program
// as the same arguments, and any bytes read as a record read back the same after the outcome
// log writes the record again.
#include <cstdlib>
#include <string>
#include <vector>

#include "arguments.h"
#include "fuzzInput.h"
#include "outcomeLog.h"
#include "runRecord.h"
#include "runRequest.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace volmora;
    const ArgumentList given = getArguments(L"volmoraRun", fuzz::commandText(data, size));
    const std::vector<std::wstring> arguments(given.begin() + 1, given.end());
    const std::wstring line = runner::childCommandLine(L"C:\\V M\\bindHost.exe", arguments);
    const ArgumentList received = getArguments(L"p", argumentText(line));
    check(std::vector<std::wstring>(received.begin() + 1, received.end()) == arguments);

    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (const auto record = runner::readRecordLine(bytes)) {
        OutcomeRecord written;
        written.program = record->program;
        written.messages = record->messages;
        written.listing = record->listing;
        written.exitCode = record->exitCode;
        const auto again = runner::readRecordLine(recordLine(written));
        // The parser admits no lone surrogate, so every text is written back as it was read.
        check(again.has_value() && *again == *record);
    }
    return 0;
}
