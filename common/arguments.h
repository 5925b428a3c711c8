// The Argument list: the command line split into at most 32 arguments after the program path.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace volmora {

// Element 0 is the program path, elements 1 to n (n at most 32) the arguments in order.
using ArgumentList = std::vector<std::wstring>;

inline constexpr std::size_t maxArguments = 32;

// The command line as Windows hands it to a program, without the program name: a quoted
// program name runs to its closing quote, an unquoted one to the first blank or tab.
std::wstring_view argumentText(std::wstring_view commandLine);

// Splits the argument text: blanks and tabs separate, double quotes group (an unclosed quote
// runs to the end), nothing is escaped, arguments after the 32nd are dropped.
ArgumentList getArguments(const std::wstring& programPath, std::wstring_view argumentText);

// Removes element 1; the caller makes sure there is one.
void dropFirstArgument(ArgumentList& arguments);

}  // namespace volmora
