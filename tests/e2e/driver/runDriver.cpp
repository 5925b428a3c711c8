// The console driver behind ./run: starts one tool under the harness with the rest of its own
// command line, prints every message box and listing window the tool shows (each is then
// dismissed, since nobody can press OK on a headless display) and the tool's full exit code, all
// on standard error. A console companion writes to the driver's own standard streams, so what it
// prints comes through byte for byte and in its own order.
// Usage: toolDriver <tool name> [arguments...], or toolDriver --runtime [<tool name> ...] to put
// the stand-in runtime library in place first. Ends with the tool's exit code, 255 for any code
// above it; its own failures end with the code that VOLMORA_DRIVER_FAILURE names (./run's).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "harness.h"
#include "standInRuntime.h"
#include "utf8.h"

namespace {

using namespace volmora::e2e;

constexpr DWORD runTimeoutMs = 120000;
// What a caller that sees only the low byte of the code (a Linux shell) gets for a larger one.
constexpr int largestPassedCode = 255;

void print(std::wstring_view text) {
    const std::string bytes = volmora::utf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
}

// The code of the driver's own failures: ./run's, which no program returns.
int failureCode() {
    const char* given = std::getenv("VOLMORA_DRIVER_FAILURE");
    return given != nullptr ? std::atoi(given) : largestPassedCode;
}

int failed(std::wstring_view why) {
    print(std::wstring(why) + L"\n");
    std::fflush(stderr);
    return failureCode();
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
    // The tools' bytes and the driver's own lines go out unchanged: no CR before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::wstring_view commandLine = GetCommandLineW();
    takeToken(commandLine);  // this driver
    std::wstring toolName = takeToken(commandLine);
    if (toolName == L"--runtime") {
        try {
            print(L"the stand-in runtime library is in place: " + putStandInRuntime() + L"\n");
        } catch (const std::exception& error) {
            return failed(L"cannot put the stand-in runtime library in place: " +
                          volmora::fromUtf8(error.what()));
        }
        toolName = takeToken(commandLine);
        if (toolName.empty()) {
            return 0;
        }
    }
    if (toolName.empty()) {
        return failed(
            L"usage: toolDriver [--runtime] bindObject|bindRuntime|bindHost|bindSchema|"
            L"volmoraRun|volmoraConfig [arguments...]");
    }
    // The tool gets the rest verbatim, without the one blank that separated the tool name.
    if (!commandLine.empty() && isBlank(commandLine.front())) {
        commandLine.remove_prefix(1);
    }
    RunOptions options;
    options.timeoutMs = runTimeoutMs;
    std::fflush(stdout);
    std::fflush(stderr);
    RunResult result;
    try {
        result = runTool(toolName, std::wstring(commandLine), options);
    } catch (const std::exception& error) {
        return failed(L"cannot run " + toolName + L": " + volmora::fromUtf8(error.what()));
    }
    for (const MessageBoxSeen& box : result.boxes) {
        print(L"message box (" + std::wstring(boxIconName(box.icon)) + L") \"" + box.caption +
              L"\":\n" + box.text + L"\n\n");
    }
    for (const ListingSeen& listing : result.listings) {
        print(L"listing window \"" + listing.caption + L"\":\n" + listing.text + L"\n\n");
    }
    if (result.timedOut) {
        return failed(L"the program did not end within " + std::to_wstring(runTimeoutMs / 1000) +
                      L" s and was stopped");
    }
    print(L"exit code: " + std::to_wstring(result.exitCode) + L" (" + hexCode(result.exitCode) +
          L")\n");
    std::fflush(stderr);
    return result.exitCode > largestPassedCode ? largestPassedCode
                                               : static_cast<int>(result.exitCode);
}
