// The program checker's readers and checks on hand-made resources, with one fault at a time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "programChecks.h"

namespace volmora::checks {
namespace {

// Builds version resource nodes: header, UTF-16 key, value and children, aligned to 4 bytes.
class VersionNode {
  public:
    VersionNode(std::string key, Bytes value, bool textual, std::vector<VersionNode> children = {})
        : key_(std::move(key)),
          value_(std::move(value)),
          textual_(textual),
          children_(std::move(children)) {}

    static VersionNode text(const std::string& key, const std::string& value) {
        Bytes bytes;
        for (char c : value + '\0') {
            bytes.push_back(static_cast<std::uint8_t>(c));
            bytes.push_back(0);
        }
        return VersionNode(key, bytes, true);
    }

    Bytes bytes() const {
        Bytes out(6, 0);
        for (char c : key_ + '\0') {
            out.push_back(static_cast<std::uint8_t>(c));
            out.push_back(0);
        }
        pad(out);
        out.insert(out.end(), value_.begin(), value_.end());
        for (const VersionNode& child : children_) {
            pad(out);
            const Bytes childBytes = child.bytes();
            out.insert(out.end(), childBytes.begin(), childBytes.end());
        }
        put16(out, 0, out.size());
        put16(out, 2, textual_ ? value_.size() / 2 : value_.size());
        put16(out, 4, textual_ ? 1 : 0);
        return out;
    }

  private:
    static void pad(Bytes& out) {
        while (out.size() % 4 != 0) {
            out.push_back(0);
        }
    }
    static void put16(Bytes& out, std::size_t at, std::size_t value) {
        out[at] = static_cast<std::uint8_t>(value);
        out[at + 1] = static_cast<std::uint8_t>(value >> 8);
    }

    std::string key_;
    Bytes value_;
    bool textual_;
    std::vector<VersionNode> children_;
};

Bytes fixedInfo(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d) {
    const std::uint32_t words[13] = {0xFEEF04BD,
                                     0x00010000,
                                     static_cast<std::uint32_t>(a) << 16 | b,
                                     static_cast<std::uint32_t>(c) << 16 | d,
                                     static_cast<std::uint32_t>(a) << 16 | b,
                                     static_cast<std::uint32_t>(c) << 16 | d,
                                     0x3F,
                                     0,
                                     0x40004,
                                     1,
                                     0,
                                     0,
                                     0};
    Bytes bytes;
    for (std::uint32_t word : words) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<std::uint8_t>(word >> shift));
        }
    }
    return bytes;
}

Bytes versionResource(const std::vector<VersionNode>& strings,
                      Bytes fixed = fixedInfo(1, 7, 0, 0)) {
    return VersionNode("VS_VERSION_INFO", std::move(fixed), false,
                       {VersionNode("StringFileInfo", {}, true,
                                    {VersionNode("040904B0", {}, true, strings)}),
                        VersionNode("VarFileInfo", {}, true,
                                    {VersionNode("Translation", {0x09, 0x04, 0xB0, 0x04}, false)})})
        .bytes();
}

const ExpectedProgram bindObject{"bindObject", "Volmora - Bind Object", "1.7.0.0"};

std::vector<VersionNode> goodStrings() {
    return {VersionNode::text("CompanyName", "Tamsiver Software"),
            VersionNode::text("FileDescription", "Volmora - Bind Object"),
            VersionNode::text("InternalName", "bindObject"),
            VersionNode::text("OriginalFilename", "bindObject.exe"),
            VersionNode::text("ProductName", "Volmora - Bind Object")};
}

TEST(VersionCheck, ReadsTheFixedVersionAndEveryString) {
    const VersionInfo info = parseVersionInfo(versionResource(goodStrings()));
    EXPECT_EQ(info.fileVersion, "1.7.0.0");
    EXPECT_EQ(info.productVersion, "1.7.0.0");
    EXPECT_EQ(info.strings.at("CompanyName"), "Tamsiver Software");
    EXPECT_EQ(info.strings.at("OriginalFilename"), "bindObject.exe");
    EXPECT_TRUE(checkVersion(info, bindObject).empty());
}

TEST(VersionCheck, NamesEachWrongOrMissingField) {
    struct Case {
        std::size_t replaced;  // index into goodStrings; past the end: change the version
        std::string value;     // empty: drop the string
        std::string fault;
    };
    const Case cases[] = {
        {1, "Volmora - Bind Host", "FileDescription is \"Volmora - Bind Host\""},
        {1, "", "FileDescription is missing"},
        {2, "bindobject", "InternalName is \"bindobject\""},
        {3, "bindObject", "OriginalFilename is \"bindObject\""},
        {4, "Volmora", "ProductName is \"Volmora\""},
        {9, "", "FILEVERSION is 1.6.0.0"},
    };
    for (const Case& c : cases) {
        std::vector<VersionNode> strings;
        const std::vector<VersionNode> good = goodStrings();
        const std::string keys[] = {"CompanyName", "FileDescription", "InternalName",
                                    "OriginalFilename", "ProductName"};
        for (std::size_t i = 0; i < good.size(); ++i) {
            if (i != c.replaced) {
                strings.push_back(good[i]);
            } else if (!c.value.empty()) {
                strings.push_back(VersionNode::text(keys[i], c.value));
            }
        }
        const Bytes fixed =
            c.replaced < good.size() ? fixedInfo(1, 7, 0, 0) : fixedInfo(1, 6, 0, 0);
        const Faults faults =
            checkVersion(parseVersionInfo(versionResource(strings, fixed)), bindObject);
        ASSERT_FALSE(faults.empty()) << c.fault;
        EXPECT_EQ(faults.front().rfind(c.fault, 0), 0u) << faults.front();
    }
}

TEST(VersionCheck, RefusesMalformedResources) {
    Bytes good = versionResource(goodStrings());
    Bytes cut(good.begin(), good.begin() + 40);
    EXPECT_THROW(parseVersionInfo(cut), PeFormatError);
    Bytes unsigned_ = versionResource(goodStrings(), Bytes(52, 0));
    EXPECT_THROW(parseVersionInfo(unsigned_), PeFormatError);
    Bytes wrongLength = good;
    wrongLength[0] = 0xFF;
    wrongLength[1] = 0xFF;
    EXPECT_THROW(parseVersionInfo(wrongLength), PeFormatError);
}

TEST(ImportCheck, AcceptsOnlyWindowsSystemDlls) {
    const std::pair<std::vector<std::string>, std::size_t> cases[] = {
        {{"KERNEL32.dll", "USER32.dll", "msvcrt.dll", "ole32.dll", "OLEAUT32.dll"}, 0},
        {{"KERNEL32.dll", "api-ms-win-crt-runtime-l1-1-0.dll"}, 0},
        {{"KERNEL32.dll", "libstdc++-6.dll"}, 1},
        {{"libgcc_s_dw2-1.dll", "libwinpthread-1.dll", "KERNEL32.dll"}, 2},
        {{"VOLM.dll"}, 1},
        {{}, 1},
    };
    for (const auto& [dlls, faultCount] : cases) {
        EXPECT_EQ(checkImports(dlls).size(), faultCount) << (dlls.empty() ? "" : dlls.back());
    }
}

TEST(IconCheck, ReadsIconGroupEntries) {
    const Bytes group = {0,  0,  1, 0, 3, 0,                           //
                         32, 32, 0, 0, 1, 0, 32, 0, 0, 0, 0, 0, 1, 0,  //
                         16, 16, 0, 0, 1, 0, 32, 0, 0, 0, 0, 0, 2, 0,  //
                         0,  0,  0, 0, 1, 0, 32, 0, 0, 0, 0, 0, 7, 0};
    const std::vector<IconSize> sizes = parseGroupIcon(group);
    ASSERT_EQ(sizes.size(), 3u);
    EXPECT_EQ(sizes[0].width, 32);
    EXPECT_EQ(sizes[1].height, 16);
    EXPECT_EQ(sizes[1].iconId, 2);
    EXPECT_EQ(sizes[2].width, 256);
    EXPECT_EQ(sizes[2].iconId, 7);
    EXPECT_THROW(parseGroupIcon(Bytes(group.begin(), group.begin() + 30)), PeFormatError);
}

const std::string goodManifest = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0" xmlns:asmv3="urn:schemas-microsoft-com:asm.v3">
  <trustInfo xmlns="urn:schemas-microsoft-com:asm.v3">
    <security><requestedPrivileges>
      <requestedExecutionLevel level="asInvoker" uiAccess="false"/>
    </requestedPrivileges></security>
  </trustInfo>
  <compatibility xmlns="urn:schemas-microsoft-com:compatibility.v1"><application>
    <supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>
    <supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"/>
    <supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>
    <supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>
  </application></compatibility>
  <dependency><dependentAssembly>
    <assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0" processorArchitecture="*" publicKeyToken="6595b64144ccf1df" language="*"/>
  </dependentAssembly></dependency>
  <asmv3:application><asmv3:windowsSettings>
    <dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>
    <dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>
  </asmv3:windowsSettings></asmv3:application>
</assembly>)";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(ManifestCheck, AcceptsTheToolsManifestAndNamesEachMissingSetting) {
    EXPECT_TRUE(checkManifest(goodManifest).empty());
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"level=\"asInvoker\"", "level=\"requireAdministrator\"", "asInvoker"},
        {"<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>", "",
         "supportedOS {1f676c76"},
        {"version=\"6.0.0.0\"", "version=\"5.82.0.0\"", "common controls"},
        {"true/pm", "false", "dpiAware"},
        {"PerMonitorV2, PerMonitor", "System", "dpiAwareness"},
    };
    for (const auto& [from, to, fault] : cases) {
        const Faults faults = checkManifest(replaced(goodManifest, from, to));
        ASSERT_EQ(faults.size(), 1u) << from;
        EXPECT_NE(faults[0].find(fault), std::string::npos) << faults[0];
    }
}

TEST(PeImage, RefusesWhatIsNoProgramFile) {
    const Bytes cases[] = {
        {},
        {'M', 'Z'},
        Bytes(64, 0),
        [] {
            Bytes b(128, 0);
            b[0] = 'M';
            b[1] = 'Z';
            b[0x3C] = 0x40;
            return b;
        }(),
    };
    for (const Bytes& bytes : cases) {
        EXPECT_THROW(PeImage{bytes}, PeFormatError) << bytes.size();
    }
}

}  // namespace
}  // namespace volmora::checks
