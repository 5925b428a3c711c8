// The Argument list: the command line split into its arguments after the program path.
#include "arguments.h"

#include <cassert>

namespace volmora {

namespace {

bool isBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

}  // namespace

std::wstring_view argumentText(std::wstring_view commandLine) {
    std::size_t end = 0;
    if (!commandLine.empty() && commandLine.front() == L'"') {
        auto close = commandLine.find(L'"', 1);
        end = close == std::wstring_view::npos ? commandLine.size() : close + 1;
    } else {
        while (end < commandLine.size() && !isBlank(commandLine[end])) {
            ++end;
        }
    }
    return commandLine.substr(end);
}

ArgumentList getArguments(const std::wstring& programPath, std::wstring_view rest) {
    ArgumentList arguments{programPath};

    std::wstring token;
    bool inToken = false;
    while (!rest.empty()) {
        wchar_t c = rest.front();
        rest.remove_prefix(1);
        if (c == L'"') {
            inToken = true;
            auto close = rest.find(L'"');
            if (close == std::wstring_view::npos) {
                token += rest;
                rest = {};
            } else {
                token += rest.substr(0, close);
                rest.remove_prefix(close + 1);
            }
        } else if (!isBlank(c)) {
            inToken = true;
            token += c;
        } else if (inToken) {
            inToken = false;
            arguments.push_back(std::move(token));
            token.clear();
        }
    }
    if (inToken) {
        arguments.push_back(std::move(token));
    }
    return arguments;
}

std::optional<std::wstring> joinArguments(const ArgumentList& arguments) {
    std::wstring line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument.find(L'"') != std::wstring::npos) {
            return std::nullopt;
        }
        const bool quoted =
            i == 0 || argument.empty() || argument.find_first_of(L" \t") != std::wstring::npos;
        line += i == 0 ? L"" : L" ";
        line += quoted ? L"\"" + argument + L"\"" : argument;
    }
    return line;
}

void dropFirstArgument(ArgumentList& arguments) {
    assert(arguments.size() >= 2);
    arguments.erase(arguments.begin() + 1);
}

}  // namespace volmora
