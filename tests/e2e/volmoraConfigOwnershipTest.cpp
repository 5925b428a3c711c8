// volmoraConfig touches only what is the bridge's, shown on the whole registry: every key and
// value of HKEY_CLASSES_ROOT and of HKEY_LOCAL_MACHINE\SOFTWARE, in both views, is read before;
// seeded configurations whose ProgIDs are drawn partly from keys the prefix has (other products'
// ProgIDs, file types, the keys COM keeps, in random letter case) and partly new are applied, the
// first again with /prune, and its backup restored. After every step each key that is not the
// bridge's is as it was, byte for byte, and the bridge's classes are as the files say.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "expectations.h"
#include "harness.h"
#include "testFolder.h"

namespace volmora::e2e {
namespace {

namespace fs = std::filesystem;

const std::wstring configurationRoot = L"SOFTWARE\\Tamsiver Software\\VOLM";

// Every key below a root, by its path in upper case (as the registry compares), with its values
// as exact bytes.
using Snapshot = std::map<std::wstring, std::wstring>;

std::wstring upper(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
    return text;
}

void readTree(HKEY key, const std::wstring& path, Snapshot& into) {
    std::wstring values;
    std::vector<wchar_t> name(16384);
    std::vector<BYTE> data(1 << 16);
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LONG result = RegEnumValueW(key, index, name.data(), &nameSize, nullptr, &type, data.data(),
                                    &dataSize);
        if (result == ERROR_MORE_DATA) {
            data.resize(dataSize + 2);
            --index;
            continue;
        }
        if (result != ERROR_SUCCESS) {
            break;
        }
        values += std::wstring(name.data(), nameSize) + L"=" + std::to_wstring(type) + L":";
        static const wchar_t digits[] = L"0123456789abcdef";
        for (DWORD i = 0; i < dataSize; ++i) {
            values += digits[data[i] >> 4];
            values += digits[data[i] & 15];
        }
        values += L"\n";
    }
    into[upper(path)] = path + L"\n" + values;
    for (DWORD index = 0;; ++index) {
        wchar_t subkey[256];
        DWORD size = 256;
        if (RegEnumKeyExW(key, index, subkey, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, subkey, 0, KEY_READ, &child) != ERROR_SUCCESS) {
            into[upper(path + L"\\" + subkey)] = L"(unreadable)";
            continue;
        }
        readTree(child, path + L"\\" + subkey, into);
        RegCloseKey(child);
    }
}

// HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE\SOFTWARE in both views, read where they are kept:
// the 64-bit view of HKEY_LOCAL_MACHINE\SOFTWARE holds the 32-bit one (WOW6432Node) and the
// machine's classes of both views (Classes, Classes\WOW6432Node); HKEY_CLASSES_ROOT adds the
// user's classes. Reading each view of each root again would read every key several times.
Snapshot snapshot() {
    Snapshot all;
    for (const auto& [root, name, path] :
         {std::tuple{HKEY_LOCAL_MACHINE, L"HKLM", L"SOFTWARE"},
          std::tuple{HKEY_CURRENT_USER, L"HKCU", L"Software\\Classes"}}) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, path, 0, KEY_READ | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
            readTree(key, std::wstring(name) + L"\\" + path, all);
            RegCloseKey(key);
        }
    }
    return all;
}

// The keys that changed from one snapshot to the other: different, gone or new.
std::set<std::wstring> changedKeys(const Snapshot& a, const Snapshot& b) {
    std::set<std::wstring> changed;
    for (const auto& [key, text] : a) {
        const auto other = b.find(key);
        if (other == b.end() || other->second != text) {
            changed.insert(key);
        }
    }
    for (const auto& [key, text] : b) {
        if (a.find(key) == a.end()) {
            changed.insert(key);
        }
    }
    return changed;
}

struct FileClass {
    std::wstring clsid;
    std::wstring progId;
};

class VolmoraConfigOwnership : public ::testing::Test {
  protected:
    static RunResult config(const std::wstring& arguments) {
        RunOptions options;
        options.captureOutput = true;
        options.captureErrors = true;
        options.timeoutMs = 120000;
        RunResult result = runTool(L"volmoraConfig", arguments, options);
        EXPECT_FALSE(result.timedOut) << narrow(arguments);
        return result;
    }
    std::wstring file(const std::wstring& name) const {
        return L"\"" + folder_.path() + L"\\" + name + L"\"";
    }
    void write(const std::wstring& name, const std::string& bytes) const {
        std::ofstream out(fs::path(folder_.path() + L"\\" + name), std::ios::binary);
        out << bytes;
        ASSERT_TRUE(out.good());
    }

    // Whether a key of a snapshot is the bridge's: the configuration root and the keys on the
    // way to it in either view, the COM keys of the classes the files name, and the ProgID keys
    // that were not there before.
    bool bridges(const std::wstring& key) const {
        const std::wstring& rest = key;
        for (const std::wstring root : {L"HKLM\\SOFTWARE\\TAMSIVER SOFTWARE",
                                        L"HKLM\\SOFTWARE\\WOW6432NODE\\TAMSIVER SOFTWARE"}) {
            if (rest == root || rest.starts_with(root + L"\\")) {
                return true;
            }
        }
        // Where a view's classes lie: a path below one of these is a class key's or a ProgID's.
        for (const std::wstring classes :
             {L"HKLM\\SOFTWARE\\CLASSES\\WOW6432NODE\\", L"HKLM\\SOFTWARE\\CLASSES\\",
              L"HKLM\\SOFTWARE\\WOW6432NODE\\CLASSES\\", L"HKCU\\SOFTWARE\\CLASSES\\WOW6432NODE\\",
              L"HKCU\\SOFTWARE\\CLASSES\\"}) {
            if (!rest.starts_with(classes)) {
                continue;
            }
            // The 32-bit classes lie one WOW6432Node deeper, which Wine links in twice.
            std::wstring below = rest.substr(classes.size());
            while (below.starts_with(L"WOW6432NODE\\")) {
                below.erase(0, std::wstring_view(L"WOW6432NODE\\").size());
            }
            const std::wstring top = below.substr(0, below.find(L'\\'));
            for (const FileClass& c : classes_) {
                const std::wstring comKey = upper(L"CLSID\\" + c.clsid);
                if (below == comKey || below.starts_with(comKey + L"\\")) {
                    return true;
                }
            }
            if (newProgIds_.count(top) != 0 ||
                (top.ends_with(L".1") && newProgIds_.count(top.substr(0, top.size() - 2)) != 0)) {
                return true;
            }
        }
        return false;
    }

    // Every key that is not the bridge's is as before, but those Wine itself changes anyway.
    void expectOnlyTheBridgesChanged(const Snapshot& before, const std::string& step) {
        for (const std::wstring& key : changedKeys(before, snapshot())) {
            if (!bridges(key) && noise_.count(key) == 0) {
                ADD_FAILURE() << step
                              << ": a key that is not the bridge's changed: " << narrow(key);
            }
        }
    }

    std::vector<FileClass> classes_;
    std::set<std::wstring> newProgIds_;  // upper case
    std::set<std::wstring> noise_;
    TestFolder folder_{L"volmoraConfigOwnership"};
};

// A name in random letter case.
std::wstring anyCase(const std::wstring& name, std::mt19937& random) {
    std::wstring out = name;
    for (wchar_t& c : out) {
        c = random() % 2 ? static_cast<wchar_t>(std::towupper(c))
                         : static_cast<wchar_t>(std::towlower(c));
    }
    return out;
}

std::string json(const std::wstring& text) {
    std::string out;
    for (const char c : narrow(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

std::string configurationFile(const std::vector<FileClass>& classes) {
    std::string members;
    for (const FileClass& c : classes) {
        members += std::string(members.empty() ? "" : ",\n") + "\"" + json(c.clsid) +
                   "\": {\"JavaClassName\": \"com.x.C\", \"JvmId\": \"MyJVM\", \"ProgId\": \"" +
                   json(c.progId) + "\"}";
    }
    return R"({"formatVersion": 1, "jvms": {"MyJVM": {"DllPath": "C:\\jvm\\jvm.dll",
      "JvmOptions": "-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar"}}, "classes": {)" +
           members + "}}";
}

TEST_F(VolmoraConfigOwnership, NothingButTheBridgesKeysEverChanges) {
    deleteTree(HKEY_LOCAL_MACHINE, configurationRoot);
    // Names the prefix has right below HKEY_CLASSES_ROOT: ProgIDs of other products (with a
    // CLSID), file types and keys without one.
    std::vector<std::wstring> productProgIds;
    std::vector<std::wstring> fileTypes;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD size = 256;
        if (RegEnumKeyExW(HKEY_CLASSES_ROOT, index, name, &size, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS) {
            break;
        }
        const std::wstring key(name, size);
        if (key.starts_with(L".")) {
            fileTypes.push_back(key);
        } else if (keyExists(HKEY_CLASSES_ROOT, key + L"\\CLSID")) {
            productProgIds.push_back(key);
        }
    }
    ASSERT_FALSE(productProgIds.empty());
    ASSERT_FALSE(fileTypes.empty());
    const std::vector<std::wstring> systemKeys = {L"CLSID", L"Interface", L"TypeLib", L"AppID",
                                                  L"Component Categories"};

    // What Wine changes by itself while a program runs that writes nothing.
    const Snapshot quiet = snapshot();
    ASSERT_EQ(config(L"export").exitCode, 0u);
    noise_ = changedKeys(quiet, snapshot());
    const Snapshot before = snapshot();

    std::mt19937 random(36);
    std::vector<std::vector<FileClass>> files;
    std::size_t accepted = 0;
    std::size_t refused = 0;
    for (int seed = 0; seed < 5; ++seed) {
        std::vector<FileClass> fileClasses;
        const int count = 1 + static_cast<int>(random() % 3);
        for (int i = 0; i < count; ++i) {
            wchar_t clsid[40];
            swprintf(clsid, 40, L"{36360000-0000-4000-8000-%012d}", seed * 10 + i);
            std::wstring progId;
            switch (random() % 4) {
                case 0:
                    progId = anyCase(productProgIds[random() % productProgIds.size()], random);
                    break;
                case 1:
                    progId = anyCase(fileTypes[random() % fileTypes.size()], random);
                    break;
                case 2:
                    progId = anyCase(systemKeys[random() % systemKeys.size()], random);
                    break;
                default:
                    progId = L"Ownership.Own" + std::to_wstring(seed) + L"x" + std::to_wstring(i);
                    newProgIds_.insert(upper(progId));
                    break;
            }
            fileClasses.push_back({clsid, progId});
            classes_.push_back(fileClasses.back());
        }
        // Each seed's first class is a new one, so that some files are applied.
        if (seed % 2 == 0) {
            fileClasses.resize(1);
            fileClasses[0].progId = L"Ownership.First" + std::to_wstring(seed);
            newProgIds_.insert(upper(fileClasses[0].progId));
            classes_.push_back(fileClasses[0]);
        }
        files.push_back(fileClasses);
        const std::wstring name = L"f" + std::to_wstring(seed) + L".json";
        write(name, configurationFile(fileClasses));
        const RunResult applied = config(L"apply " + file(name));
        EXPECT_TRUE(applied.exitCode == 0u || applied.exitCode == 3u)
            << applied.exitCode << " " << applied.errors;
        (applied.exitCode == 0u ? accepted : refused) += 1;
        if (applied.exitCode == 0u) {
            for (const FileClass& c : fileClasses) {
                EXPECT_EQ(dumpKey(HKEY_CLASSES_ROOT, c.progId + L"\\CLSID"),
                          L"[]\n" + textLine(L"", c.clsid));
            }
        }
        expectOnlyTheBridgesChanged(before, "apply of file " + std::to_string(seed));
    }
    EXPECT_GT(accepted, 0u);
    EXPECT_GT(refused, 0u);

    const RunResult pruned =
        config(L"apply /prune /backup " + file(L"b.bak") + L" " + file(L"f0.json"));
    EXPECT_EQ(pruned.exitCode, 0u) << pruned.errors;
    expectOnlyTheBridgesChanged(before, "apply /prune of the first file");
    const RunResult restored = config(L"restore " + file(L"b.bak"));
    EXPECT_EQ(restored.exitCode, 0u) << restored.errors;
    expectOnlyTheBridgesChanged(before, "restore");

    // Everything the bridge wrote goes again, and the registry is as it was.
    write(L"empty.json", R"({"formatVersion": 1})");
    const RunResult emptied = config(L"apply /prune " + file(L"empty.json"));
    EXPECT_EQ(emptied.exitCode, 0u) << emptied.errors;
    // A file whose bytes end in a NUL never reads as the empty configuration.
    write(L"nul.json", std::string("{\"formatVersion\": 1}\0", 21));
    const RunResult nul = config(L"apply /prune " + file(L"nul.json"));
    EXPECT_EQ(nul.exitCode, 3u) << nul.errors;
    for (const std::wstring& key : changedKeys(before, snapshot())) {
        if (noise_.count(key) == 0 && key.find(L"\\TAMSIVER SOFTWARE") == std::wstring::npos) {
            ADD_FAILURE() << "left after the bridge's keys went: " << narrow(key);
        }
    }
}

}  // namespace
}  // namespace volmora::e2e
