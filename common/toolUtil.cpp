// The program frame: start-up, the shared state, the message boxes, the internal-error handler
// and the exit code, the same in all four tools.
#include "toolUtil.h"

#include <new>

#include "pathText.h"
#include "registry.h"
#include "toolText.h"

namespace volmora {

namespace {

constexpr std::wstring_view fileSystemProgId = L"Scripting.FileSystemObject";
constexpr std::wstring_view fileSystemLibrary = L"scrrun.dll";
constexpr std::wstring_view devEnvironmentName = L"vb6";
constexpr std::int32_t cannotCreateObjectExitCode = 4;
constexpr std::int32_t unspecifiedErrorNumber = -2147467259;  // E_FAIL

}  // namespace

void raiseToolError(std::int32_t number, std::wstring description) {
    // The number becomes the exit code: a failure must never end as a success.
    throw ToolError{number != 0 ? number : unspecifiedErrorNumber, std::nullopt,
                    std::move(description)};
}

void Tool::initTool(std::wstring_view toolName, FileSystemStart fileSystemStart) {
    toolTitle = applicationTitle;
    if (!toolName.empty()) {
        toolTitle += L" - ";
        toolTitle += toolName;
    }
    if (fileSystemStart == FileSystemStart::exitWithMessage) {
        fileSystem = createObjectOrExit(fileSystemProgId, fileSystemLibrary);
    } else {
        std::int32_t result = platform_.system.createFileSystem(fileSystem);
        if (result != 0 || !fileSystem) {
            raiseToolError(result, L"Cannot create " + std::wstring(fileSystemProgId));
        }
    }
    silentMode = false;
    programPath = platform_.system.moduleFileName();
    inDevEnvironment = asciiLower(baseName(programPath)) == devEnvironmentName;
}

std::wstring listingCaption(std::wstring_view listingTitle) {
    std::wstring caption(applicationTitle);
    caption += L" - ";
    caption += listingTitle;
    return caption;
}

void Tool::showError(const std::wstring& message) const {
    noteMessage(MessageKind::error, message, !silentMode);
    if (!silentMode) {
        platform_.messages.show(MessageIcon::exclamation, toolTitle, message);
    }
}

void Tool::showInfo(const std::wstring& message) const {
    noteMessage(MessageKind::information, message, !silentMode);
    if (!silentMode) {
        platform_.messages.show(MessageIcon::information, toolTitle, message);
    }
}

void Tool::exitTool(std::int32_t exitCode) const {
    // Also in the development environment: the main routine then returns, ending the run.
    writeOutcomeLog(exitCode);
    if (!inDevEnvironment) {
        platform_.system.exitProcess(static_cast<std::uint32_t>(exitCode));
    }
}

std::unique_ptr<FileSystem> Tool::createObjectOrExit(std::wstring_view progId,
                                                     std::wstring_view libraryFileName) const {
    std::unique_ptr<FileSystem> object;
    if (platform_.system.createFileSystem(object) == 0 && object) {
        return object;
    }
    std::wstring folder = platform_.system.environmentVariable(L"SystemRoot");
    if (!folder.empty()) {
        folder += L"\\System32\\";
    }
    std::wstring message = L"Cannot create ";
    message += progId;
    message += L" .. is ";
    message += folder;
    message += libraryFileName;
    message += L" registered?";
    noteMessage(MessageKind::critical, message, true);
    platform_.messages.show(MessageIcon::stop, toolTitle, message);
    writeOutcomeLog(cannotCreateObjectExitCode);
    platform_.system.exitProcess(cannotCreateObjectExitCode);
}

void Tool::startOutcomeLog(std::wstring_view programName, const std::wstring& commandLine) {
    outcomeLogPath_ = platform_.system.environmentVariable(std::wstring(outcomeLogVariable));
    if (outcomeLogPath_.empty()) {
        return;
    }
    OutcomeRecord record;
    record.started = platform_.system.utcNow();
    record.program = programName;
    record.processId = platform_.system.processId();
    record.commandLine = commandLine;
    outcome_ = std::move(record);
}

void Tool::writeOutcomeLog(std::int32_t exitCode) const {
    if (!outcome_) {
        return;
    }
    OutcomeRecord record = std::move(*outcome_);
    outcome_.reset();
    record.silent = silentMode;
    record.exitCode = static_cast<std::uint32_t>(exitCode);
    try {
        platform_.system.appendToFile(outcomeLogPath_, recordLine(record));
    } catch (const std::bad_alloc&) {
        // Like a log that cannot be written: the run ends as it would without one.
    }
}

void Tool::noteMessage(MessageKind kind, const std::wstring& text, bool shown) const {
    if (!outcome_) {
        return;
    }
    try {
        outcome_->messages.push_back({kind, text, shown});
    } catch (const std::bad_alloc&) {
        // A record missing a message would misreport the run: out of memory, none is written.
        outcome_.reset();
    }
}

void Tool::NotedListings::open(const std::wstring& listingTitle, const std::wstring& listingText) {
    tool_.platform_.listings.open(listingTitle, listingText);
    if (tool_.outcome_) {
        tool_.outcome_->listing = listingCaption(listingTitle);
    }
}

bool Tool::NotedListings::anyOpen() {
    return tool_.platform_.listings.anyOpen();
}

void Tool::NotedListings::serveUntilClosed() {
    tool_.platform_.listings.serveUntilClosed();
}

std::wstring internalErrorMessage(std::int32_t number, std::wstring_view source,
                                  std::wstring_view description) {
    std::wstring message(internalErrorLead);
    message += L"number=0x";
    message += hexNumber(number);
    message += L", source=";
    message += source;
    message += L", description=";
    message += description;
    return message;
}

std::int32_t runTool(Platform& platform, const ToolDefinition& definition) {
    Tool tool(platform);
    std::int32_t exitCode = 0;
    try {
        const std::wstring commandLine = platform.system.commandLine();
        tool.startOutcomeLog(definition.programName, commandLine);
        tool.initTool(definition.toolName, definition.fileSystemStart);
        ArgumentList arguments = getArguments(tool.programPath, argumentText(commandLine));
        exitCode = definition.dispatch(tool, std::move(arguments));
        if (definition.waitsForListing && tool.listings().anyOpen()) {
            // The listing window now owns the process; it ends normally once the window closes.
            tool.listings().serveUntilClosed();
            tool.writeOutcomeLog(0);
            return 0;
        }
    } catch (const ToolError& error) {
        tool.showError(internalErrorMessage(
            error.number, error.source.value_or(std::wstring(definition.projectName)),
            error.description));
        exitCode = error.number;
    } catch (const std::bad_alloc&) {
        tool.showError(internalErrorMessage(status::notEnoughMemory, definition.projectName,
                                            L"Out of memory"));
        exitCode = status::notEnoughMemory;
    }
    tool.exitTool(exitCode);
    return exitCode;
}

}  // namespace volmora
