// Class registration: the exact layout, the success text, each failing step's message and what
// the steps before it leave written; and where the runtime library is found.
#include <gtest/gtest.h>

#include "bindObject.h"
#include "classLayout.h"
#include "fakePlatform.h"

namespace volmora::testing {
namespace {

const std::wstring caption = L"Volmora - Bind Object";
const std::wstring runtimeServer =
    L"HKCR\\CLSID\\{3A8D888D-0DB5-4a58-A10B-2743F727D0AB}\\InprocServer32";

class RegisterJavaClass : public ::testing::Test {
  protected:
    void registerClass(const ClassOperands& c) {
        registerJavaClass(fake.tool, c.progId, c.clsid, c.javaClassName, c.jvmId, c.serverId,
                          c.libraryPath);
    }
    // The registry holds exactly what `expected` holds, and every key was closed.
    void expectRegistry(const MemoryRegistry& expected) {
        EXPECT_EQ(fake.registry.dump(L"HKLM"), expected.dump(L"HKLM"));
        EXPECT_EQ(fake.registry.dump(L"HKCR"), expected.dump(L"HKCR"));
        EXPECT_EQ(fake.registry.openHandles(), 0u);
    }
    void expectMessage(MessageIcon icon, const std::wstring& text) {
        EXPECT_EQ(fake.messages.shown, (std::vector<ShownMessage>{{icon, caption, text}}));
        fake.messages.shown.clear();
    }

    FakeTool fake;
};

TEST_F(RegisterJavaClass, WritesTheRecordAndTheComKeysAndReportsWhatItRegistered) {
    ClassOperands plain;
    ClassOperands withServer;
    withServer.progId = L"ServerA.NeatService";
    withServer.clsid = L"{2E2311DB-9D64-4cc0-9837-CD6B5F0FBF38}";
    withServer.javaClassName = L"com.tamsiver.serverA.NeatService";
    withServer.serverId = L"ServerA";
    withServer.libraryPath = L"D:\\Runtime\\VOLM.dll";
    const std::pair<ClassOperands, std::wstring> cases[] = {
        {plain,
         L"Java class successfully registered.\r\n"
         L"    ProgId:     \tMyServer.CoolService\r\n"
         L"    CLSID:      \t{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}\r\n"
         L"    Java class: \tcom.tamsiver.myserver.CoolService\r\n"
         L"    JVM ID:     \tMyJVM"},
        {withServer,
         L"Java class successfully registered.\r\n"
         L"    ProgId:     \tServerA.NeatService\r\n"
         L"    CLSID:      \t{2E2311DB-9D64-4cc0-9837-CD6B5F0FBF38}\r\n"
         L"    Java class: \tcom.tamsiver.serverA.NeatService\r\n"
         L"    JVM ID:     \tMyJVM\r\n"
         L"    ServerId:   \tServerA"},
    };
    MemoryRegistry expected;
    for (const auto& [operands, text] : cases) {
        registerClass(operands);
        writeLayout(expected, operands);
        expectRegistry(expected);
        expectMessage(MessageIcon::information, text);
    }
    // Every value is a REG_SZ with its terminator.
    EXPECT_EQ(fake.registry.value(L"HKCR\\CLSID\\" + plain.clsid + L"\\InprocServer32",
                                  L"ThreadingModel"),
              (StoredValue{valueType::sz, {'b', 0, 'o', 0, 't', 0, 'h', 0, 0, 0}}));
}

TEST_F(RegisterJavaClass, EachFailingStepShowsItsMessageAndKeepsTheEarlierWrites) {
    ClassOperands c;
    c.serverId = L"ServerA";
    const std::wstring record = recordsPath + L"\\" + c.clsid;
    const std::wstring comClass = L"HKCR\\CLSID\\" + c.clsid;
    struct Case {
        RegistryCall call;
        std::wstring target;
        long code;
        std::wstring message;
        std::size_t writesKept;
    };
    const Case cases[] = {
        {RegistryCall::createKey, record, 5, L"Can't create VOLM CLSID registry settings: error=5",
         0},
        {RegistryCall::setValue, record + L"@ProgId", 1018,
         L"Can't set ProgId registry value: error=1018", 1},
        {RegistryCall::setValue, record + L"@JavaClassName", 5,
         L"Can't set JavaClassName registry value: error=5", 2},
        {RegistryCall::setValue, record + L"@JvmId", 14,
         L"Can't set JvmId registry value: error=14", 3},
        {RegistryCall::setValue, record + L"@ServerId", 5,
         L"Can't set ServerId registry value: error=5", 4},
        {RegistryCall::createKey, comClass, 5, L"Can't create CLSID registry settings: error=5", 5},
        {RegistryCall::setDefaultValue, comClass + L"\\InprocServer32@", 87,
         L"Can't set InprocServer32 registry value: error=87", 6},
        {RegistryCall::setDefaultValue, comClass + L"\\ProgId@", 5,
         L"Can't set ProgId registry value: error=5", 7},
        {RegistryCall::openKey, comClass + L"\\InprocServer32", 2,
         L"Can't open InprocServer32 registry setting: error=2", 8},
        {RegistryCall::setValue, comClass + L"\\InprocServer32@ThreadingModel", 5,
         L"Can't set ThreadingModel registry value: error=5", 8},
        {RegistryCall::createKey, L"HKCR\\MyServer.CoolService", 5,
         L"Can't create MyServer.CoolService registry settings: error=5", 9},
        {RegistryCall::setDefaultValue, L"HKCR\\MyServer.CoolService\\CLSID@", 5,
         L"Can't set MyServer.CoolService\\CLSID registry value: error=5", 10},
        {RegistryCall::setDefaultValue, L"HKCR\\MyServer.CoolService\\CurVer@", 1021,
         L"Can't set MyServer.CoolService\\CurVer registry value: error=1021", 11},
        {RegistryCall::createKey, L"HKCR\\MyServer.CoolService.1", 5,
         L"Can't create MyServer.CoolService.1 registry settings: error=5", 12},
        {RegistryCall::setDefaultValue, L"HKCR\\MyServer.CoolService.1\\CLSID@", -1,
         L"Can't set MyServer.CoolService.1\\CLSID registry value: error=-1", 13},
    };
    for (const auto& step : cases) {
        SCOPED_TRACE(::testing::PrintToString(step.message));
        FakeTool run;
        run.registry.failCall(step.call, step.target, step.code);
        registerJavaClass(run.tool, c.progId, c.clsid, c.javaClassName, c.jvmId, c.serverId,
                          c.libraryPath);
        EXPECT_EQ(run.messages.shown,
                  (std::vector<ShownMessage>{{MessageIcon::exclamation, caption, step.message}}));
        MemoryRegistry expected;
        writeLayout(expected, c, step.writesKept);
        EXPECT_EQ(run.registry.dump(L"HKLM"), expected.dump(L"HKLM"));
        EXPECT_EQ(run.registry.dump(L"HKCR"), expected.dump(L"HKCR"));
        EXPECT_EQ(run.registry.openHandles(), 0u);
    }
}

TEST_F(RegisterJavaClass, NamesAreUsedAsTypedOrRefusedWithTheRegistrysCode) {
    const std::wstring tooLong(300, L'x');
    const std::wstring longest(255, L'P');
    struct Case {
        std::wstring progId;
        std::wstring clsid;
        std::wstring message;  // empty: registered
        std::size_t writesKept;
    };
    const Case cases[] = {
        {L"Plain.Name", L"B036ABD6-EE02-4d8e-8D67-186DFEE9A903", {}, SIZE_MAX},
        {L"\u00C9t\u00E9.\u4E2D\U0001F600", L"{\u00E9}", {}, SIZE_MAX},
        {L"P", L"", L"Can't create VOLM CLSID registry settings: error=161", 0},
        {L"P", L"{A}\\{B}", L"Can't create VOLM CLSID registry settings: error=161", 0},
        {L"P", tooLong, L"Can't create VOLM CLSID registry settings: error=87", 0},
        // A ProgID that is not one key name is refused before anything is written.
        {L"A\\B", L"{A}", L"Can't create A\\B registry settings: error=161", 0},
        {L"\\P", L"{A}", L"Can't create \\P registry settings: error=161", 0},
        {L"", L"{A}", L"Can't create  registry settings: error=161", 0},
        {L"A\\B", L"{A}\\{B}", L"Can't create VOLM CLSID registry settings: error=161", 0},
        {tooLong, L"{A}", L"Can't create " + tooLong + L" registry settings: error=87", 8},
        // The versioned ProgID is two characters longer than the registry takes.
        {longest, L"{A}", L"Can't create " + longest + L".1 registry settings: error=87", 11},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(
            ::testing::PrintToString(c.progId.substr(0, 12) + L" " + c.clsid.substr(0, 12)));
        FakeTool run;
        ClassOperands operands;
        operands.progId = c.progId;
        operands.clsid = c.clsid;
        registerJavaClass(run.tool, operands.progId, operands.clsid, operands.javaClassName,
                          operands.jvmId, operands.serverId, operands.libraryPath);
        ASSERT_EQ(run.messages.shown.size(), 1u);
        if (c.message.empty()) {
            EXPECT_EQ(run.messages.shown[0].icon, MessageIcon::information);
        } else {
            EXPECT_EQ(run.messages.shown[0].text, c.message);
        }
        MemoryRegistry expected;
        writeLayout(expected, operands, c.writesKept);
        if (c.clsid == tooLong) {
            // The registry makes the keys on the way before it refuses the name.
            expected.putKey(recordsPath);
        }
        EXPECT_EQ(run.registry.dump(L"HKLM"), expected.dump(L"HKLM"));
        EXPECT_EQ(run.registry.dump(L"HKCR"), expected.dump(L"HKCR"));
    }
}

TEST(BridgeDllPath, TakesTheRuntimesRegistrationOrTheToolsFolder) {
    struct Case {
        std::optional<StoredValue> registered;  // nullopt: the key is missing
        std::wstring programPath;
        std::wstring expected;
    };
    const auto text = [](const std::wstring& chars, bool terminated = true) {
        std::wstring all = chars;
        std::vector<std::uint8_t> bytes;
        for (wchar_t ch : all) {
            bytes.push_back(static_cast<std::uint8_t>(ch));
            bytes.push_back(static_cast<std::uint8_t>(ch >> 8));
        }
        if (terminated) {
            bytes.insert(bytes.end(), {0, 0});
        }
        return StoredValue{valueType::sz, bytes};
    };
    const std::wstring tool = L"C:\\VOLM\\bin\\bindObject.exe";
    const Case cases[] = {
        {text(L"D:\\Runtime\\VOLM.dll"), tool, L"D:\\Runtime\\VOLM.dll"},
        {text(L"D:\\Runtime\\VOLM.dll", false), tool, L"D:\\Runtime\\VOLM.dll"},
        {text(L""), tool, L""},
        {std::nullopt, tool, L"C:\\VOLM\\bin\\VOLM.dll"},
        {std::nullopt, L"C:\\bindObject.exe", L"C:\\VOLM.dll"},
        {std::nullopt, L"\\\\server\\share\\tools\\bindObject.exe",
         L"\\\\server\\share\\tools\\VOLM.dll"},
        {StoredValue{valueType::expandSz, text(L"%X%\\VOLM.dll").data}, tool,
         L"C:\\VOLM\\bin\\VOLM.dll"},
        {StoredValue{valueType::dword, {1, 0, 0, 0}}, tool, L"C:\\VOLM\\bin\\VOLM.dll"},
    };
    for (const auto& c : cases) {
        FakeTool fake;
        if (c.registered) {
            fake.registry.putValue(runtimeServer, L"", *c.registered);
        }
        EXPECT_EQ(bridgeDllPath(fake.tool.registry(), c.programPath), c.expected);
        EXPECT_TRUE(fake.messages.shown.empty());
        EXPECT_EQ(fake.registry.openHandles(), 0u);
    }
    // A key without default value, and one that cannot be opened, leave the tool's folder.
    FakeTool fake;
    fake.registry.putKey(runtimeServer);
    EXPECT_EQ(bridgeDllPath(fake.tool.registry(), tool), L"C:\\VOLM\\bin\\VOLM.dll");
    fake.registry.putText(runtimeServer, L"", L"D:\\VOLM.dll");
    fake.registry.failCall(RegistryCall::openKey, runtimeServer, 5);
    EXPECT_EQ(bridgeDllPath(fake.tool.registry(), tool), L"C:\\VOLM\\bin\\VOLM.dll");
    EXPECT_EQ(bridgeDllPath(fake.tool.registry(), tool), L"D:\\VOLM.dll");
}

TEST(ClassCommand, RegistersWithTheRuntimesPathAndEndsWithZero) {
    const std::pair<std::wstring, std::size_t> cases[] = {
        {L"/s MyServer.CoolService {C} com.tamsiver.X MyJVM", 0},
        {L"MyServer.CoolService {C} com.tamsiver.X MyJVM \"\"", 1},
    };
    for (const auto& [line, shown] : cases) {
        FakeTool fake;
        fake.registry.putText(runtimeServer, L"", L"E:\\bridge\\VOLM.dll");
        auto arguments = getArguments(L"C:\\VOLM\\bin\\bindObject.exe", line);
        EXPECT_EQ(runClassCommand(fake.tool, arguments), 0);
        EXPECT_EQ(fake.messages.shown.size(), shown);
        EXPECT_EQ(fake.registry.text(L"HKCR\\CLSID\\{C}\\InprocServer32", L""),
                  L"E:\\bridge\\VOLM.dll");
        EXPECT_FALSE(fake.registry.value(recordsPath + L"\\{C}", L"ServerId"));
    }
}

}  // namespace
}  // namespace volmora::testing
