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

}  // namespace volmora::e2e
