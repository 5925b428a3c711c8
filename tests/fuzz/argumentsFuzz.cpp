// Fuzzes the command-line splitting with its invariants: at most 32 arguments, the program path
// kept, no argument holding a double quote, and for texts without quotes the same result as a
// plain split at blanks and tabs.
#include <cstdlib>
#include <vector>

#include "arguments.h"
#include "fuzzInput.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::vector<std::wstring> plainSplit(const std::wstring& text) {
    std::vector<std::wstring> tokens;
    std::wstring token;
    for (wchar_t c : text) {
        if (c == L' ' || c == L'\t') {
            if (!token.empty())
                tokens.push_back(std::move(token));
            token.clear();
        } else {
            token += c;
        }
    }
    if (!token.empty())
        tokens.push_back(token);
    return tokens;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace volmora;
    const std::wstring text = fuzz::commandText(data, size);
    const std::wstring programPath = L"C:\\VOLM\\bin\\bindObject.exe";
    ArgumentList arguments = getArguments(programPath, text);

    check(!arguments.empty());
    check(arguments[0] == programPath);
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        check(arguments[i].find(L'"') == std::wstring::npos);
    }
    if (text.find(L'"') == std::wstring::npos) {
        // Every token is kept, however many there are.
        auto tokens = plainSplit(text);
        check(std::vector<std::wstring>(arguments.begin() + 1, arguments.end()) == tokens);
    }
    // The program name comes off the front of a command line and nothing else changes.
    std::wstring_view rest = argumentText(text);
    check(text.size() >= rest.size() &&
          text.compare(text.size() - rest.size(), rest.size(), rest) == 0);
    if (arguments.size() > 1) {
        ArgumentList dropped = arguments;
        dropFirstArgument(dropped);
        check(dropped.size() == arguments.size() - 1 && dropped[0] == programPath);
    }
    return 0;
}
