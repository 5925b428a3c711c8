// A volmoraConfig host for unit tests: the in-memory registry, files in a map, and the two
// streams collected as text.
#pragma once

#include <map>
#include <string>

#include "checkFilesFake.h"
#include "configHost.h"
#include "memoryRegistry.h"
#include "utf8.h"

namespace volmora::testing {

// The configuration root in this view and in the other view, as the in-memory registry names it.
inline const std::wstring configRoot = L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM";
inline const std::wstring otherConfigRoot = L"HKLM-other\\SOFTWARE\\Tamsiver Software\\VOLM";
// What bindRuntime writes for a JVM with the runtime's archive on its class path.
inline const std::wstring sampleJvmLibrary = L"C:\\jvm\\jvm.dll";
inline const std::wstring sampleJvmOptions = L"-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar";

// A JVM record as bindRuntime writes it, in this view's root or another.
inline void putJvm(MemoryRegistry& registry, const std::wstring& name,
                   const std::wstring& root = configRoot) {
    registry.putText(root + L"\\JVMs\\" + name, L"DllPath", sampleJvmLibrary);
    registry.putText(root + L"\\JVMs\\" + name, L"JvmOptions", sampleJvmOptions);
}

class FakeConfigHost : public config::ConfigHost {
  public:
    // The keys every machine has, above the configuration and the COM classes.
    FakeConfigHost() {
        memory.putKey(L"HKLM\\SOFTWARE");
        memory.putKey(L"HKCR\\CLSID");
    }

    MemoryRegistry memory;
    std::map<std::wstring, std::string> files;
    std::map<std::wstring, long> unreadable;  // path -> status of reading it
    std::string out;
    std::wstring err;
    long lockResult = 0;

    Registry& registry() override { return memory; }
    void writeOut(std::string_view bytes) override { out += bytes; }
    void writeError(std::wstring_view line) override {
        err += line;
        err += L"\n";
    }
    long readFile(const std::wstring& path, std::size_t maxBytes, std::string& bytes) override {
        if (const auto bad = unreadable.find(path); bad != unreadable.end()) {
            return bad->second;
        }
        const auto found = files.find(path);
        if (found == files.end()) {
            return status::fileNotFound;
        }
        if (found->second.size() > maxBytes) {
            return config::fileTooLarge;
        }
        bytes = found->second;
        return 0;
    }
    long writeFile(const std::wstring& path, std::string_view bytes) override {
        if (const auto bad = unreadable.find(path); bad != unreadable.end()) {
            return bad->second;
        }
        files[path] = std::string(bytes);
        return 0;
    }
    long lock(std::wstring& why) override {
        why = L"held";
        return lockResult;
    }
    std::wstring programPath() override { return L"C:\\VOLM\\bin\\volmoraConfig.exe"; }
    config::CheckFiles& checkFiles() override { return fileSystem; }
    FakeCheckFiles fileSystem;  // what check finds at the paths that records name

    // Runs "volmoraConfig <arguments...>" and returns the exit code; out and err start empty.
    std::int32_t run(std::initializer_list<std::wstring> arguments) {
        out.clear();
        err.clear();
        ArgumentList list{L"volmoraConfig"};
        list.insert(list.end(), arguments);
        return config::runConfigCommand(*this, list);
    }
};

}  // namespace volmora::testing
