// Ctrl+C and Ctrl+Break while apply or restore writes: the console control handler notes them, and
// the writes stop at the next one. The system calls the handler on a thread of its own and passes
// it nothing of ours, so the note is the one process-wide variable of volmoraConfig: written here
// alone, read through asked().
#pragma once

#include <cstdint>

namespace volmora::config::consoleStop {

// The console's control events (CTRL_C_EVENT, CTRL_BREAK_EVENT).
inline constexpr std::uint32_t ctrlC = 0;
inline constexpr std::uint32_t ctrlBreak = 1;

// What the handler does with an event: notes a stop for Ctrl+C and Ctrl+Break and says that it
// handled them, so the process goes on to put back what it wrote; leaves every other event
// (closing the console, logging off, shutting down) to the system, which ends the process: the
// journal covers that.
bool onConsoleEvent(std::uint32_t event);

// Whether Ctrl+C or Ctrl+Break came.
bool asked();

}  // namespace volmora::config::consoleStop
