// Fuzzes the server listing over records made from the input (fields split at "?": identifier,
// class path, imports; an imports field "a" leaves the value out). Invariants: no records gives
// the information message and no window; otherwise one window whose text has no trailing line
// break, one block per record in enumeration order, each "<id>:" then the class path line and,
// when the imports are not empty (or missing, shown by a placeholder), the imports line.
#include <cstdlib>
#include <string>
#include <vector>

#include "bindHost.h"
#include "fakePlatform.h"
#include "fuzzInput.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

const std::wstring serversPath = L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\Servers";

std::vector<std::wstring> split(const std::wstring& text, std::wstring_view separator) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::wstring::npos)
            return parts;
        start = end + separator.size();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace volmora;
    testing::FakeTool fake(L"Bind Host", L"C:\\VOLM\\bin\\bindHost.exe");
    const std::vector<std::wstring> fields = split(fuzz::commandText(data, size), L"?");
    for (std::size_t i = 0; i + 2 < fields.size(); i += 3) {
        std::wstring id = fields[i];
        for (wchar_t& c : id) {
            if (c == L'\\')
                c = L'_';  // one key name, not a path
        }
        if (id.empty())
            continue;
        fake.registry.putText(serversPath + L"\\" + id, L"Classpath", fields[i + 1]);
        if (fields[i + 2] != L"a")
            fake.registry.putText(serversPath + L"\\" + id, L"Imports", fields[i + 2]);
    }
    if (size > 0 && (data[0] & 0x80) != 0)
        fake.registry.putKey(serversPath);

    // The records as the registry enumerates them, with the lines each should produce.
    std::vector<std::wstring> expectedLines;
    std::size_t records = 0;
    if (fake.registry.keyExists(serversPath)) {
        RegKey servers(fake.registry);
        check(servers.open(localMachine, L"SOFTWARE\\Tamsiver Software\\VOLM\\Servers",
                           KeyAccess::read) == status::success);
        std::wstring name;
        for (std::uint32_t index = 0;
             fake.registry.enumKey(servers.handle(), index, name) == status::success;
             ++index, ++records) {
            const auto classpath = fake.registry.text(serversPath + L"\\" + name, L"Classpath");
            const auto imports = fake.registry.text(serversPath + L"\\" + name, L"Imports");
            check(classpath.has_value());
            expectedLines.push_back(name + L":");
            expectedLines.push_back(L"    Classpath: \t" + *classpath);
            if (!imports || !imports->empty()) {
                expectedLines.push_back(L"    Imports:   \t" + imports.value_or(L"?? missing ??"));
            }
        }
    }

    listServers(fake.tool);
    check(fake.registry.openHandles() == 0);
    if (records == 0) {
        check(fake.listings.opened.empty() && fake.messages.shown.size() == 1);
        check(fake.messages.shown[0].icon == MessageIcon::information);
        return 0;
    }
    check(fake.messages.shown.empty() && fake.listings.opened.size() == 1);
    const std::wstring& text = fake.listings.opened[0].text;
    check(!text.ends_with(L"\r\n"));
    std::vector<std::wstring> lines = split(text, L"\r\n");
    check(lines.size() == expectedLines.size());
    check(lines == expectedLines);
    return 0;
}
