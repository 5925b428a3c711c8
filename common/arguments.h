// The Argument list: the command line split into its arguments after the program path.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace volmora {

// Element 0 is the program path, elements 1 to n the arguments in order. Every argument of the
// command line is kept: the command line's own length is the only limit.
using ArgumentList = std::vector<std::wstring>;

// The operand count of an operation that takes any number of arguments.
inline constexpr std::size_t anyNumberOfOperands = static_cast<std::size_t>(-1);

// The command line as Windows hands it to a program, without the program name: a quoted
// program name runs to its closing quote, an unquoted one to the first blank or tab.
std::wstring_view argumentText(std::wstring_view commandLine);

// Splits the argument text: blanks and tabs separate, double quotes group (an unclosed quote
// runs to the end), nothing is escaped.
ArgumentList getArguments(const std::wstring& programPath, std::wstring_view argumentText);

// Removes element 1; the caller makes sure there is one.
void dropFirstArgument(ArgumentList& arguments);

}  // namespace volmora
