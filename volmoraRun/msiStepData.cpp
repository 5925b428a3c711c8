// The installer steps' CustomActionData, read and checked before anything runs.
#include "msiStepData.h"

namespace volmora::msistep {

namespace {

bool isFullPath(std::wstring_view path) {
    const bool letter = path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') ||
                                             (path[0] >= L'a' && path[0] <= L'z'));
    const bool drive = letter && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    return drive || path.starts_with(L"\\\\");
}

}  // namespace

std::vector<std::wstring> dataItems(std::wstring_view data) {
    std::vector<std::wstring> items;
    for (;;) {
        const std::size_t end = data.find(L'\n');
        items.emplace_back(data.substr(0, end));
        if (end == std::wstring_view::npos) {
            return items;
        }
        data.remove_prefix(end + 1);
    }
}

std::variant<StepCommand, Fault> readStepCommand(std::wstring_view data) {
    if (data.empty()) {
        return Fault{L"no command in CustomActionData"};
    }
    std::vector<std::wstring> items = dataItems(data);
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
