// The machine the apply tests start from, as the programs leave it: a JVM, a server, and a class
// registered with both.
#pragma once

#include <string>

#include "../bindObject/classLayout.h"
#include "fakeConfigHost.h"

namespace volmora::testing {

// A server record as bindHost writes it.
inline void putServer(MemoryRegistry& registry, const std::wstring& name) {
    registry.putText(configRoot + L"\\Servers\\" + name, L"Classpath", L"C:\\app");
    registry.putText(configRoot + L"\\Servers\\" + name, L"Imports", L"");
}

inline void registerSample(MemoryRegistry& registry) {
    putJvm(registry, L"MyJVM");
    putServer(registry, L"ServerA");
    ClassOperands c;
    c.serverId = L"ServerA";
    writeLayout(registry, c);
}

}  // namespace volmora::testing
