// The shape every registration shares: create a key, set its values, report. Each step's status
// goes through stepSucceeded, so the first failing step shows its message and ends the chain.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "registry.h"
#include "toolUtil.h"

namespace volmora {

// Shows failurePrefix + "error=" + result with showError when result is not 0; returns whether
// the step succeeded.
bool stepSucceeded(const Tool& tool, long result, std::wstring_view failurePrefix);

// Writes a REG_SZ value of an open key; an empty name is the key's default value.
long setTextValue(Registry& registry, const RegKey& key, std::wstring_view name,
                  const std::wstring& text);

// One REG_SZ value of a record and the message prefix shown when writing it fails.
struct TextValueStep {
    std::wstring_view name;
    std::wstring text;
    std::wstring_view failurePrefix;
};

// Creates or opens the record named name in a collection (createFailure when that fails), then
// writes its values in order. The first failing step shows its message and ends the writing;
// nothing is rolled back. Returns whether every step succeeded.
bool writeRecord(Tool& tool, std::wstring_view collection, const std::wstring& name,
                 std::wstring_view createFailure, const std::vector<TextValueStep>& values);

}  // namespace volmora
