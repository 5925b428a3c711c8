// The COM keys of one class compared with what bindObject's registration writes for it.
#pragma once

#include <string>
#include <vector>

#include "classComState.h"

namespace volmora::config {

struct ComKeyFinding {
    std::wstring text;
};

// What is missing or differs below HKEY_CLASSES_ROOT for the class: its CLSID key with the
// in-process server (runtimeLibrary, threading model) and the ProgID, and, with a ProgID, the
// ProgID keys; a ProgID key that names another CLSID is said as such. Keys and values beyond
// those registration writes are not looked at.
std::vector<ComKeyFinding> checkComKeys(ComValueReader& reader, const std::wstring& clsid,
                                        const std::wstring& progId,
                                        const std::wstring& runtimeLibrary);

// The REG_SZ default value of a key below HKEY_CLASSES_ROOT; false when it cannot be read so.
bool readComDefault(ComValueReader& reader, const std::wstring& path, std::wstring& text);

}  // namespace volmora::config
