// Fuzzes the shared dispatch: whatever the arguments, a run ends in "/?" (0), a refused command
// line (1, usage shown as an error unless silent) or exactly one operation with an operand count
// it accepts; silent mode is on exactly when an "s" switch was consumed before the stop.
#include <cstdlib>

#include "commandDispatch.h"
#include "fakePlatform.h"
#include "fuzzInput.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

struct Observed {
    int runs = 0;
    std::size_t operands = 0;
};
Observed observed;

std::int32_t observe(volmora::Tool&, volmora::ArgumentList& arguments) {
    ++observed.runs;
    observed.operands = arguments.size() - 1;
    return 0;
}

std::wstring usage() {
    return L"usage";
}

bool isSwitch(const std::wstring& argument) {
    return argument.empty() || argument[0] == L'-' || argument[0] == L'/';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace volmora;
    if (size == 0)
        return 0;
    const bool withListing = (data[0] & 1) != 0;
    const CommandTable table{withListing ? L"slu" : L"su",
                             usage,
                             {2, 5, observe},
                             {1, 1, observe},
                             withListing ? Operation{0, 0, observe} : Operation{}};
    testing::FakeTool fake;
    ArgumentList arguments =
        getArguments(fake.tool.programPath, fuzz::commandText(data + 1, size - 1));

    // What the scan should see: the switches in front, up to the first operand.
    bool silentExpected = false;
    for (std::size_t i = 1; i < arguments.size() && isSwitch(arguments[i]); ++i) {
        const std::wstring& a = arguments[i];
        if (a.size() != 2)
            break;
        wchar_t name = a[1] >= L'A' && a[1] <= L'Z' ? static_cast<wchar_t>(a[1] + 32) : a[1];
        if (name == L's')
            silentExpected = true;
        else if (name == L'?' || table.knownSwitches.find(name) == std::wstring_view::npos)
            break;
    }

    observed = {};
    std::int32_t code = runCommand(fake.tool, arguments, table);
    check(code == 0 || code == 1);
    check(fake.tool.silentMode == silentExpected);
    check(observed.runs <= 1);
    if (observed.runs == 1) {
        check(code == 0 && fake.messages.shown.empty());
        check(observed.operands <= table.registration.maxOperands);
    } else if (code == 1) {
        check(fake.messages.shown.size() == (fake.tool.silentMode ? 0u : 1u));
        if (!fake.messages.shown.empty()) {
            check(fake.messages.shown[0].icon == MessageIcon::exclamation);
        }
    } else {
        check(fake.messages.shown.size() <= 1);  // "/?": the usage as information unless silent
    }
    return 0;
}
