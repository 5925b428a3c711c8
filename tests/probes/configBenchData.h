// The configuration that volmoraConfig's benchmark applies and its floors write: class i with its
// own JVM and server, named so that their order is the order of export.
#pragma once

#include <cwchar>
#include <string>

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

}  // namespace volmora::bench
