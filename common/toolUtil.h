// The program frame: start-up, the shared state, the message boxes, the internal-error handler
// and the exit code, the same in all four tools.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "arguments.h"
#include "outcomeLog.h"
#include "platform.h"

namespace volmora {

inline constexpr std::wstring_view applicationTitle = L"Volmora";
// How every internal-error message begins, whatever its number and source.
inline constexpr std::wstring_view internalErrorLead = L"Internal error: ";

// The listing window's caption: the application title, " - ", the listing title.
std::wstring listingCaption(std::wstring_view listingTitle);

// An unexpected failure on its way to the internal-error handler. Without a source it is the
// program's own failure, reported with the program's project name.
struct ToolError {
    std::int32_t number = 0;
    std::optional<std::wstring> source;
    std::wstring description;
};

[[noreturn]] void raiseToolError(std::int32_t number, std::wstring description);

// How a tool reacts when the file-system object cannot be created at start.
enum class FileSystemStart { exitWithMessage, internalError };

// The frame's shared state and routines, one per process.
class Tool {
  public:
    explicit Tool(Platform& platform) : platform_(platform) {}
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;

    std::wstring toolTitle;
    bool silentMode = false;
    std::wstring programPath;
    bool inDevEnvironment = false;
    std::unique_ptr<FileSystem> fileSystem;

    void initTool(std::wstring_view toolName, FileSystemStart fileSystemStart);
    void showError(const std::wstring& message) const;
    void showInfo(const std::wstring& message) const;
    // Ends the process with the exit code, except in the development environment.
    void exitTool(std::int32_t exitCode) const;
    // Creates the object or shows the critical start-up message and ends with exit code 4.
    std::unique_ptr<FileSystem> createObjectOrExit(std::wstring_view progId,
                                                   std::wstring_view libraryFileName) const;

    // When outcomeLogVariable names a file, starts the run's record; without it the run
    // touches no file. Called first, so that every way the run ends is recorded.
    void startOutcomeLog(std::wstring_view programName, const std::wstring& commandLine);
    // Appends the run's record with the exit code, once; later calls do nothing.
    void writeOutcomeLog(std::int32_t exitCode) const;

    Registry& registry() const { return platform_.registry; }
    // The listing windows; each one opened is noted in the outcome log.
    ListingWindows& listings() const { return listings_; }
    FileSystem& files() const { return *fileSystem; }
    TypeLibraries& typeLibraries() const { return *platform_.typeLibraries; }

  private:
    class NotedListings : public ListingWindows {
      public:
        explicit NotedListings(const Tool& tool) : tool_(tool) {}
        void open(const std::wstring& listingTitle, const std::wstring& listingText) override;
        bool anyOpen() override;
        void serveUntilClosed() override;

      private:
        const Tool& tool_;
    };

    void noteMessage(MessageKind kind, const std::wstring& text, bool shown) const;

    Platform& platform_;
    std::wstring outcomeLogPath_;
    // The record under way; noted from the const message routines, which stay const for the
    // tools since the log never changes what they see.
    mutable std::optional<OutcomeRecord> outcome_;
    mutable NotedListings listings_{*this};
};

using CommandDispatcher = std::int32_t (*)(Tool& tool, ArgumentList arguments);

// What one program adds to the frame.
struct ToolDefinition {
    std::wstring_view programName;  // "bindObject", as the outcome log names the program
    std::wstring_view toolName;     // "Bind Object"
    std::wstring_view projectName;  // source of the program's own internal errors
    FileSystemStart fileSystemStart;
    bool waitsForListing;  // false for a tool that never opens the listing window
    CommandDispatcher dispatch;
};

// "Internal error: number=0x..., source=..., description=..."
std::wstring internalErrorMessage(std::int32_t number, std::wstring_view source,
                                  std::wstring_view description);

// The main routine: start-up, arguments, dispatch, then the exit rules. Returns the exit code
// when the process was not ended by exitTool (development environment, closed listing window).
std::int32_t runTool(Platform& platform, const ToolDefinition& definition);

}  // namespace volmora
