// What the bindHost unit tests share: a Tool over fakes named like the program, the server
// record paths as the in-memory registry spells them, and the command-line notation of the
// tests (Q for a double quote, T for a tab).
#pragma once

#include <string>

#include "fakePlatform.h"

namespace volmora::testing {

inline const std::wstring serversPath = L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\Servers";
inline const std::wstring hostTitle = L"Volmora - Bind Host";
inline const std::wstring hostProgram = L"C:\\VOLM\\bin\\bindHost.exe";

inline std::wstring recordPath(const std::wstring& serverId) {
    return serversPath + L"\\" + serverId;
}

inline std::wstring expandQuotes(std::wstring text) {
    for (auto& c : text) {
        if (c == L'Q')
            c = L'"';
        if (c == L'T')
            c = L'\t';
    }
    return text;
}

struct HostTool : FakeTool {
    HostTool() : FakeTool(L"Bind Host", hostProgram) {}

    void putRecord(const std::wstring& serverId, const std::wstring& classpath,
                   const std::wstring& imports) {
        registry.putText(recordPath(serverId), L"Classpath", classpath);
        registry.putText(recordPath(serverId), L"Imports", imports);
    }
};

inline std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

}  // namespace volmora::testing
