// Fuzzes the JVM options check and join. The options come from the input split before each "-"
// ("-l" standing for the class path prefix); the first byte says whether the installation layout
// holds the bridge archive and whether a class path option naming it is appended. Invariants:
// accepted exactly when a class path option is given and the archive ends up named; a refusal
// shows one error and leaves the result alone; an acceptance shows nothing, and the stored string
// splits back (blanks separate outside quotes) into the same options, quoted exactly when they
// hold a blank or tab.
#include <cstdlib>
#include <string>
#include <vector>

#include "bindRuntime.h"
#include "fakePlatform.h"
#include "fuzzInput.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

const std::wstring classPathPrefix = L"-Djava.class.path=";
const std::wstring layoutArchive = L"C:\\VOLM\\lib\\VOLM.jar";

std::vector<std::wstring> optionsFrom(const std::wstring& text) {
    std::vector<std::wstring> options;
    for (wchar_t c : text) {
        if (c == L'-' || options.empty())
            options.emplace_back();
        options.back() += c;
    }
    // "-l..." stands for a class path option holding the rest: most of them name no archive.
    for (std::wstring& option : options) {
        if (option.starts_with(L"-l"))
            option = classPathPrefix + option.substr(2);
    }
    return options;
}

bool isClassPath(const std::wstring& option) {
    return option.size() > classPathPrefix.size() && option.starts_with(classPathPrefix);
}

bool namesArchive(std::wstring option) {
    for (wchar_t& c : option) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c + 32);
    }
    return option.find(L"\\volm.jar") != std::wstring::npos;
}

struct Token {
    std::wstring text;
    bool quoted = false;
};

// Splits at single blanks outside quotes; a token that starts with a quote is a quoted one.
std::vector<Token> splitBack(const std::wstring& joined) {
    std::vector<Token> tokens(1);
    bool inQuotes = false;
    bool atStart = true;
    for (wchar_t c : joined) {
        if (c == L'"') {
            if (atStart)
                tokens.back().quoted = true;
            inQuotes = !inQuotes;
            atStart = false;
        } else if (c == L' ' && !inQuotes) {
            tokens.emplace_back();
            atStart = true;
        } else {
            tokens.back().text += c;
            atStart = false;
        }
    }
    return tokens;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace volmora;
    if (size == 0)
        return 0;
    const bool archiveInLayout = (data[0] & 1) != 0;
    const bool appendClassPath = (data[0] & 2) != 0;
    testing::FakeTool fake(L"Bind Runtime", L"C:\\VOLM\\bin\\bindRuntime.exe");
    if (archiveInLayout)
        fake.files().files.insert(layoutArchive);

    std::vector<std::wstring> options = optionsFrom(fuzz::commandText(data + 1, size - 1));
    if (appendClassPath)
        options.push_back(classPathPrefix + L"C:\\x;C:\\VOLM\\VOLM.jar");
    if (options.empty())
        return 0;  // the command table never passes fewer than one option

    ArgumentList arguments{fake.tool.programPath};
    arguments.insert(arguments.end(), options.begin(), options.end());
    bool classPathGiven = false;
    bool archiveNamed = false;
    std::vector<std::wstring> expected;
    for (const std::wstring& option : options) {
        std::wstring stored = option;
        if (isClassPath(option)) {
            classPathGiven = true;
            if (namesArchive(option)) {
                archiveNamed = true;
            } else if (archiveInLayout) {
                stored += L';' + layoutArchive;
                archiveNamed = true;
            }
        }
        expected.push_back(stored);
    }

    const std::wstring untouched = L"untouched";
    std::wstring joined = untouched;
    const bool accepted = checkJvmOptions(fake.tool, arguments, joined);
    check(accepted == (classPathGiven && archiveNamed));
    if (!accepted) {
        check(joined == untouched);
        check(fake.messages.shown.size() == 1 &&
              fake.messages.shown[0].icon == MessageIcon::exclamation);
        return 0;
    }
    check(fake.messages.shown.empty());

    bool anyQuote = false;
    for (const std::wstring& option : expected) {
        anyQuote = anyQuote || option.find(L'"') != std::wstring::npos;
    }
    if (anyQuote)
        return 0;  // an option holding a quote cannot be told apart once joined
    const std::vector<Token> tokens = splitBack(joined);
    check(tokens.size() == expected.size());
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        check(tokens[i].text == expected[i]);
        check(tokens[i].quoted == (expected[i].find_first_of(L" \t") != std::wstring::npos));
    }
    return 0;
}
