// The shape every registration shares: create a key, set its values, report. Each step's status
// goes through stepSucceeded, so the first failing step shows its message and ends the chain.
#pragma once

#include <string>
#include <string_view>

#include "registry.h"
#include "toolUtil.h"

namespace volmora {

// Shows failurePrefix + "error=" + result with showError when result is not 0; returns whether
// the step succeeded.
bool stepSucceeded(const Tool& tool, long result, std::wstring_view failurePrefix);

// Writes a REG_SZ value of an open key; an empty name is the key's default value.
long setTextValue(Registry& registry, const RegKey& key, std::wstring_view name,
                  const std::wstring& text);

}  // namespace volmora
