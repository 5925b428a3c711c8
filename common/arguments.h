// The Argument list: the command line split into its arguments after the program path.
#pragma once

#include <optional>
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

// The command line that argumentText and getArguments read back into exactly these arguments,
// for starting a program that splits as they do: element 0, the program path, in quotes, then
// each argument after one blank, quoted when it is empty or holds a blank or a tab. The splitter
// has no escapes, so a backslash stays as it is, and a double quote cannot be carried at all:
// none when any element holds one.
std::optional<std::wstring> joinArguments(const ArgumentList& arguments);

// Removes element 1; the caller makes sure there is one.
void dropFirstArgument(ArgumentList& arguments);

}  // namespace volmora
