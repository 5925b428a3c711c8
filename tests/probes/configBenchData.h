// The configuration that volmoraConfig's benchmark applies and its floors write: class i with its
// own JVM and server, named so that their order is the order of export.
#pragma once

#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "classKeys.h"
#include "classRecord.h"
#include "jvmRecord.h"
#include "recordPaths.h"
#include "serverRecord.h"

namespace volmora::bench {

struct BenchClass {
    std::wstring clsid, progId, javaClassName, jvmId, serverId;
    std::wstring jvmLibrary, jvmOptions, classpath;
};

inline BenchClass benchClass(int i) {
    wchar_t number[16];
    std::swprintf(number, 16, L"%06d", i);
    wchar_t clsid[40];
    std::swprintf(clsid, 40, L"{C0FFEE00-0000-4000-8000-%012d}", i);
    const std::wstring n = number;
    return {clsid,
            L"BenchConfig.Class" + n,
            L"com.tamsiver.bench.Class" + n,
            L"BenchJVM" + n,
            L"BenchServer" + n,
            L"C:\\Java\\bin\\server\\jvm.dll",
            L"-Xmx64m -Djava.class.path=C:\\VOLM\\lib\\VOLM.jar;C:\\Bench\\c" + n + L".jar",
            L"C:\\Bench\\c" + n + L".jar"};
}

// Every key that class i's records and COM keys hold, each after its subkeys: true for a key
// below HKEY_LOCAL_MACHINE, false below HKEY_CLASSES_ROOT. One RegDeleteKeyW each, in this order,
// is the fewest calls that remove them.
inline std::vector<std::pair<bool, std::wstring>> benchKeysLeavesFirst(const BenchClass& c) {
    std::vector<std::pair<bool, std::wstring>> keys = {
        {true, recordPath(recordCollection::jvms, c.jvmId)},
        {true, recordPath(recordCollection::servers, c.serverId)},
        {true, recordPath(recordCollection::classes, c.clsid)}};
    for (std::wstring& key : classKeys(c.progId, c.clsid).leavesFirst()) {
        keys.emplace_back(false, std::move(key));
    }
    return keys;
}

}  // namespace volmora::bench
