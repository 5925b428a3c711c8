// The console driver behind ./run: starts one tool under the harness with the rest of its own
// command line, prints every message box and listing window the tool shows (each is then
// dismissed, since nobody can press OK on a headless display) and the tool's full exit code.
// Usage: toolDriver <tool name> [arguments...]; ends with the tool's exit code.
#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "harness.h"

namespace {

using namespace volmora::e2e;

constexpr DWORD runTimeoutMs = 120000;

void print(std::wstring_view text) {
    if (text.empty()) {
        return;
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

bool isBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// Takes the first token off the text, by the same rules as the tools' own splitting; returns it
// and leaves the text after it in place.
std::wstring takeToken(std::wstring_view& text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    std::wstring token;
    while (!text.empty() && !isBlank(text.front())) {
        const wchar_t c = text.front();
        text.remove_prefix(1);
        if (c == L'"') {
            const std::size_t close = text.find(L'"');
            token += text.substr(0, close);
            text.remove_prefix(close == std::wstring_view::npos ? text.size() : close + 1);
        } else {
            token += c;
        }
    }
    return token;
}

std::wstring hexCode(std::uint32_t code) {
    wchar_t buffer[16] = {};
    std::swprintf(buffer, 16, L"0x%08X", code);
    return buffer;
}

}  // namespace

int wmain() {
    std::wstring_view commandLine = GetCommandLineW();
    takeToken(commandLine);  // this driver
    const std::wstring toolName = takeToken(commandLine);
    if (toolName.empty()) {
        print(
            L"usage: toolDriver bindObject|bindRuntime|bindHost|bindSchema|volmoraRun|"
            L"volmoraConfig [arguments...]\n");
        return 2;
    }
    // The tool gets the rest verbatim, without the one blank that separated the tool name.
    if (!commandLine.empty() && isBlank(commandLine.front())) {
        commandLine.remove_prefix(1);
    }
    RunOptions options;
    options.timeoutMs = runTimeoutMs;
    // The console companions report on their standard streams, which are passed on as they are.
    const bool console = toolName.starts_with(L"volmora");
    options.captureOutput = console;
    options.captureErrors = console;
    RunResult result;
    try {
        result = runTool(toolName, std::wstring(commandLine), options);
    } catch (const std::exception& error) {
        print(L"cannot run " + toolName + L": ");
        std::fprintf(stdout, "%s\n", error.what());
        return 2;
    }
    std::fwrite(result.output.data(), 1, result.output.size(), stdout);
    std::fwrite(result.errors.data(), 1, result.errors.size(), stderr);
    std::fflush(stderr);
    for (const MessageBoxSeen& box : result.boxes) {
        print(L"message box (" + std::wstring(boxIconName(box.icon)) + L") \"" + box.caption +
              L"\":\n" + box.text + L"\n\n");
    }
    for (const ListingSeen& listing : result.listings) {
        print(L"listing window \"" + listing.caption + L"\":\n" + listing.text + L"\n\n");
    }
    if (result.timedOut) {
        print(L"the program did not end in time and was stopped\n");
    }
    print(L"exit code: " + std::to_wstring(result.exitCode) + L" (" + hexCode(result.exitCode) +
          L")\n");
    std::fflush(stdout);
    return static_cast<int>(result.exitCode);
}
