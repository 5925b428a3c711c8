// GoogleTest helpers for what a run showed.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "harness.h"

namespace volmora::e2e {

// The run ended by itself with exactly one message box of that icon, caption and text.
void expectOneBox(const RunResult& result, BoxIcon icon, const std::wstring& caption,
                  const std::wstring& text);
// The box showed that icon. Where the system shows no icons (platformLimits.h) only this check is
// left out, and the test records why as its "skippedCheck" property.
void expectBoxIcon(const MessageBoxSeen& box, BoxIcon icon);
// The run ended by itself and showed no message box.
void expectNoBox(const RunResult& result);

std::string narrow(const std::wstring& text);

void PrintTo(const MessageBoxSeen& box, std::ostream* out);
void PrintTo(BoxIcon icon, std::ostream* out);

}  // namespace volmora::e2e
