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

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace volmora;
    const ArgumentList given =
        getArguments(L"C:\\V M\\bindHost.exe", fuzz::commandText(data, size));
    const auto line = joinArguments(given);
    check(line.has_value() && getArguments(given[0], argumentText(*line)) == given);

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
