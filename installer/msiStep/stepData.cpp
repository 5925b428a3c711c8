// The installer steps' CustomActionData, read and checked before anything runs.
#include "stepData.h"

#include <optional>

namespace volmora::msistep {

namespace {

// More items than any step has, and fewer than a count's four digits hold.
constexpr std::uint32_t maxItems = 9999;

bool isFullPath(std::wstring_view path) {
    const bool letter = path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') ||
                                             (path[0] >= L'a' && path[0] <= L'z'));
    const bool drive = letter && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    return drive || path.starts_with(L"\\\\");
}

// A count of items, without leading zeros: the package author writes it by hand.
std::optional<std::size_t> itemCount(std::wstring_view text) {
    if (text.size() > 1 && text.front() == L'0') {
        return std::nullopt;
    }
    return decimalNumber(text, maxItems);
}

}  // namespace

std::optional<std::uint32_t> decimalNumber(std::wstring_view text, std::uint32_t largest) {
    if (text.empty() || text.size() > 10) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    if (value > largest) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::variant<std::vector<std::wstring>, Fault> dataItems(std::wstring_view data) {
    if (data.empty()) {
        return Fault{L"CustomActionData is empty"};
    }
    if (const std::size_t at = data.find(L'\r'); at != std::wstring_view::npos) {
        std::size_t item = 0;  // 0: the count's line
        for (std::size_t i = 0; i < at; ++i) {
            item += data[i] == L'\n' ? 1 : 0;
        }
        return Fault{
            L"CustomActionData holds a carriage return in " +
            (item == 0 ? std::wstring(L"its first line") : L"item " + std::to_wstring(item)) +
            L", which no item may hold: a property's value holds a line break"};
    }
    std::vector<std::wstring> lines;
    for (;;) {
        const std::size_t end = data.find(L'\n');
        lines.emplace_back(data.substr(0, end));
        if (end == std::wstring_view::npos) {
            break;
        }
        data.remove_prefix(end + 1);
    }
    const auto count = itemCount(lines.front());
    if (!count) {
        return Fault{L"CustomActionData does not start with its number of items: " + lines.front()};
    }
    lines.erase(lines.begin());
    if (lines.size() != *count) {
        return Fault{L"CustomActionData holds " + std::to_wstring(lines.size()) +
                     L" items where its first line names " + std::to_wstring(*count) +
                     L": a property's value holds a line feed, which would make two arguments "
                     L"of one"};
    }
    return lines;
}

std::variant<StepCommand, Fault> readStepCommand(std::wstring_view data) {
    auto read = dataItems(data);
    if (auto* fault = std::get_if<Fault>(&read)) {
        return std::move(*fault);
    }
    auto& items = std::get<std::vector<std::wstring>>(read);
    if (items.empty()) {
        return Fault{L"no command in CustomActionData"};
    }
    StepCommand command{std::move(items.front()), {}};
    if (!isFullPath(command.program) || command.program.find(L'"') != std::wstring::npos) {
        return Fault{L"the program to run is not a full path: " + command.program};
    }
    command.arguments.assign(std::make_move_iterator(items.begin() + 1),
                             std::make_move_iterator(items.end()));
    for (std::size_t i = 0; i < command.arguments.size(); ++i) {
        if (command.arguments[i].find(L'"') != std::wstring::npos) {
            return Fault{L"argument " + std::to_wstring(i + 1) +
                         L" holds a double quote, which the programs cannot receive: " +
                         command.arguments[i]};
        }
    }
    return command;
}

}  // namespace volmora::msistep
