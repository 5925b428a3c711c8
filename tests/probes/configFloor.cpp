// The floors of volmoraConfig's benchmark, each with the fewest registry calls and nothing else:
// the same writes as an apply to an empty view (records and COM keys of N classes, each with its
// JVM and server), the same reads as an export, and the same reads as a no-change apply (export's
// and the COM values it compares), and the same removals as an apply of an empty file with /prune
// or a restore to an empty view (every key of N classes, leaves first, one call each), those
// removals after reading every value of those keys, as a removal that can be put back must.
// Usage: configFloor write <count> <runtime library> | configFloor read|compare <output file> |
//        configFloor delete|read-delete <count>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "classKeys.h"
#include "classRecord.h"
#include "configBenchData.h"
#include "jvmRecord.h"
#include "recordPaths.h"
#include "serverRecord.h"

namespace {

using volmora::bench::BenchClass;
using volmora::bench::benchClass;

// Calls each(name, data, size) for every value of key, one RegEnumValueW a value: the fewest
// calls that read them all.
template <typename Each>
void forEachValue(HKEY key, const Each& each) {
    wchar_t valueName[256];
    BYTE data[4096];
    for (DWORD value = 0;; ++value) {
        DWORD valueNameLength = 256;
        DWORD size = sizeof data;
        DWORD type = 0;
        if (RegEnumValueW(key, value, valueName, &valueNameLength, nullptr, &type, data, &size) !=
            ERROR_SUCCESS) {
            return;
        }
        each(std::wstring_view(valueName, valueNameLength), data, size);
    }
}

// One create (with every missing key on the way) and the values below it: the fewest calls.
bool writeKey(HKEY root, const std::wstring& path,
              std::initializer_list<std::pair<std::wstring, std::wstring>> values) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    bool written = true;
    for (const auto& [name, text] : values) {
        written = written &&
                  RegSetValueExW(
                      key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                      static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return written;
}

int writeAll(int count, const std::wstring& library) {
    using namespace volmora;
    for (int i = 0; i < count; ++i) {
        const BenchClass c = benchClass(i);
        const auto name = [](std::wstring_view value) { return std::wstring(value); };
        bool written =
            writeKey(HKEY_LOCAL_MACHINE, recordPath(recordCollection::jvms, c.jvmId),
                     {{name(dllPathValue), c.jvmLibrary}, {name(jvmOptionsValue), c.jvmOptions}}) &&
            writeKey(HKEY_LOCAL_MACHINE, recordPath(recordCollection::servers, c.serverId),
                     {{name(classpathValueName), c.classpath}, {name(importsValueName), L""}}) &&
            writeKey(HKEY_LOCAL_MACHINE, recordPath(recordCollection::classes, c.clsid),
                     {{name(recordValue::javaClassName), c.javaClassName},
                      {name(recordValue::jvmId), c.jvmId},
                      {name(recordValue::progId), c.progId},
                      {name(recordValue::serverId), c.serverId}});
        const ClassKeys keys = classKeys(c.progId, c.clsid, library);
        for (const OwnKey* own : {&keys.comClass, &keys.progId, &keys.versioned}) {
            for (const SubkeyDefault& entry : own->defaults) {
                const std::wstring path = own->path + L"\\" + std::wstring(entry.subkey);
                written =
                    written &&
                    (entry.subkey == inprocServerSubkey
                         ? writeKey(HKEY_CLASSES_ROOT, path,
                                    {{L"", entry.text},
                                     {name(threadingModelValue), std::wstring(threadingModel)}})
                         : writeKey(HKEY_CLASSES_ROOT, path, {{L"", entry.text}}));
            }
        }
        if (!written) {
            return 1;
        }
    }
    return 0;
}

// The COM values that a no-change apply compares for each class, with the fewest calls: the key
// of all COM classes opened once, each value's key opened once for all its values, read, closed.
void readComValues(const std::vector<std::pair<std::wstring, std::wstring>>& classes,
                   std::wstring& text) {
    using namespace volmora;
    HKEY comClasses = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_READ, &comClasses) != ERROR_SUCCESS) {
        return;
    }
    BYTE data[1024];
    const auto readKey = [&](HKEY parent, const std::wstring& path,
                             std::initializer_list<const wchar_t*> names) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return;
        }
        for (const wchar_t* name : names) {
            DWORD size = sizeof data;
            DWORD type = 0;
            if (RegQueryValueExW(key, name, nullptr, &type, data, &size) == ERROR_SUCCESS) {
                text.append(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
            }
        }
        RegCloseKey(key);
    };
    for (const auto& [clsid, progId] : classes) {
        const ClassKeys keys = classKeys(progId, clsid);
        const std::wstring own = clsid + L"\\";
        readKey(comClasses, own + std::wstring(inprocServerSubkey),
                {L"", threadingModelValue.data()});
        readKey(comClasses, own + std::wstring(keys.comClass.defaults[1].subkey), {L""});
        for (const OwnKey* progIdKey : keys.progIdKeys()) {
            for (const SubkeyDefault& entry : progIdKey->defaults) {
                readKey(HKEY_CLASSES_ROOT, progIdKey->path + L"\\" + std::wstring(entry.subkey),
                        {L""});
            }
        }
    }
    RegCloseKey(comClasses);
}

// Every record of every collection with its values, one enumeration each, into one text; with
// comToo, then the COM values that a no-change apply compares.
int readAll(const std::wstring& output, bool comToo) {
    std::vector<std::pair<std::wstring, std::wstring>> classes;  // CLSID, ProgID
    std::wstring text;
    for (const std::wstring_view collection :
         {volmora::recordCollection::jvms, volmora::recordCollection::servers,
          volmora::recordCollection::classes}) {
        HKEY records = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, volmora::recordsPath(collection).c_str(), 0, KEY_READ,
                          &records) != ERROR_SUCCESS) {
            continue;
        }
        wchar_t name[256];
        for (DWORD index = 0;; ++index) {
            DWORD nameLength = 256;
            if (RegEnumKeyExW(records, index, name, &nameLength, nullptr, nullptr, nullptr,
                              nullptr) != ERROR_SUCCESS) {
                break;
            }
            HKEY record = nullptr;
            if (RegOpenKeyExW(records, name, 0, KEY_READ, &record) != ERROR_SUCCESS) {
                continue;
            }
            text.append(name, nameLength) += L'\n';
            forEachValue(record, [&](std::wstring_view valueName, const BYTE* data, DWORD size) {
                const auto* valueText = reinterpret_cast<const wchar_t*>(data);
                text.append(valueName) += L'=';
                text.append(valueText, size / sizeof(wchar_t)) += L'\n';
                if (comToo && collection == volmora::recordCollection::classes &&
                    valueName == volmora::recordValue::progId) {
                    classes.emplace_back(std::wstring(name, nameLength),
                                         std::wstring(valueText, size / sizeof(wchar_t) - 1));
                }
            });
            RegCloseKey(record);
        }
        RegCloseKey(records);
    }
    readComValues(classes, text);
    const HANDLE file = CreateFileW(output.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)),
                              &written, nullptr);
    CloseHandle(file);
    return ok ? 0 : 1;
}

int deleteAll(int count) {
    for (int i = 0; i < count; ++i) {
        for (const auto& [machine, path] : volmora::bench::benchKeysLeavesFirst(benchClass(i))) {
            const LONG result =
                RegDeleteKeyW(machine ? HKEY_LOCAL_MACHINE : HKEY_CLASSES_ROOT, path.c_str());
            if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
                return 1;
            }
        }
    }
    return 0;
}

// Every value of every key that deleteAll removes, read with the fewest calls (one open, the
// values one by one, one close) and kept in memory: what any removal that can be put back must
// hold before its first delete.
void readBeforeDelete(int count, std::vector<BYTE>& kept) {
    for (int i = 0; i < count; ++i) {
        for (const auto& [machine, path] : volmora::bench::benchKeysLeavesFirst(benchClass(i))) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(machine ? HKEY_LOCAL_MACHINE : HKEY_CLASSES_ROOT, path.c_str(), 0,
                              KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
                continue;
            }
            forEachValue(key, [&](std::wstring_view name, const BYTE* data, DWORD size) {
                const auto* nameBytes = reinterpret_cast<const BYTE*>(name.data());
                kept.insert(kept.end(), nameBytes, nameBytes + name.size() * sizeof(wchar_t));
                kept.insert(kept.end(), data, data + size);
            });
            RegCloseKey(key);
        }
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"write" && argc == 4) {
        return writeAll(_wtoi(argv[2]), argv[3]);
    }
    if (mode == L"delete" && argc == 3) {
        return deleteAll(_wtoi(argv[2]));
    }
    if (mode == L"read-delete" && argc == 3) {
        std::vector<BYTE> kept;
        readBeforeDelete(_wtoi(argv[2]), kept);
        return deleteAll(_wtoi(argv[2]));
    }
    if ((mode == L"read" || mode == L"compare") && argc == 3) {
        return readAll(argv[2], mode == L"compare");
    }
    return 2;
}
