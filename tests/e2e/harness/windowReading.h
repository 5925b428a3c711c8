// Reading another process's windows for the harness.
#pragma once

#include <windows.h>

#include <string>

#include "harness.h"

namespace volmora::e2e {

// A control's text through WM_GETTEXT with a timeout, so a hung program cannot hang the reader.
std::wstring controlText(HWND window);
bool isMessageBox(HWND window);
// Caption, text and icon kind of a message box.
MessageBoxSeen readMessageBox(HWND dialog);
// Whether this process can load the stock icons, tried once: where it cannot (a 32-bit process
// under Wine's WoW64 mode), no box shows an icon, and none can be compared with one.
bool stockIconsLoad();

}  // namespace volmora::e2e
