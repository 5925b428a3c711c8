// The note of Ctrl+C and Ctrl+Break.
#include "host/consoleStop.h"

#include <atomic>

namespace volmora::config::consoleStop {

namespace {

std::atomic<bool> stopAsked = false;

}  // namespace

bool onConsoleEvent(std::uint32_t event) {
    if (event != ctrlC && event != ctrlBreak) {
        return false;
    }
    stopAsked = true;
    return true;
}

bool asked() {
    return stopAsked;
}

}  // namespace volmora::config::consoleStop
