// The configuration check over machines made by the programs' own operations (and raw writes
// where no program can make the situation): a clean machine has no problem, and each way a
// configuration goes wrong gives exactly its lines.
#include <gtest/gtest.h>

#include <cwchar>
#include <functional>

#include "bindHost.h"
#include "bindObject.h"
#include "bindRuntime.h"
#include "check/check.h"
#include "check/checkReport.h"
#include "check/recordFiles.h"
#include "checkFilesFake.h"
#include "fakePlatform.h"

namespace volmora::testing {
namespace {

const std::wstring runtimeLibrary = L"C:\\VOLM\\bin\\VOLM.dll";
const std::wstring jvmLibrary = L"C:\\Java\\bin\\server\\jvm.dll";
const std::wstring cool = L"{B036ABD6-EE02-4d8e-8D67-186DFEE9A903}";
const std::wstring neat = L"{2E2311DB-9D64-4cc0-9837-CD6B5F0FBF38}";
const std::wstring configRoot = L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM";
const std::wstring coolLine = L"class " + cool + L" (MyServer.CoolService): ";

// A machine set up as an administrator would: a JVM, two servers (A imports B) and a class
// served by A, every file they name in place.
struct Machine {
    Machine() {
        files.files[runtimeLibrary] = imageHeader(config::amd64Machine);
        files.files[jvmLibrary] = imageHeader(config::amd64Machine);
        files.files[L"C:\\ServerA\\a.jar"] = {'P', 'K'};
        files.folders = {L"C:\\ServerA\\classes", L"C:\\ServerB"};
        addJvm(fake.tool, L"MyJVM", jvmLibrary,
               L"-Xmx64m -Djava.class.path=C:\\VOLM\\lib\\VOLM.jar");
        addServer(fake.tool, L"ServerA", L"C:\\ServerA\\a.jar;C:\\ServerA\\classes", L"ServerB");
        addServer(fake.tool, L"ServerB", L"C:\\ServerB\\*", L"");
        registerClass(L"MyServer.CoolService", cool, L"ServerA");
    }

    void registerClass(const std::wstring& progId, const std::wstring& clsid,
                       const std::wstring& serverId = L"",
                       const std::wstring& library = runtimeLibrary) {
        registerJavaClass(fake.tool, progId, clsid, L"com.tamsiver.Service", L"MyJVM", serverId,
                          library);
    }

    std::vector<std::wstring> problems(std::uint16_t machine = config::amd64Machine) {
        config::Configuration configuration;
        const config::ReadFailure failure =
            config::readConfiguration(fake.registry, KeyAccess::read, configuration);
        EXPECT_EQ(failure.code, 0) << std::string(failure.step.begin(), failure.step.end());
        const auto found = config::checkConfiguration(configuration, fake.registry, files,
                                                      {runtimeLibrary, machine});
        EXPECT_EQ(fake.registry.openHandles(), 0u);
        std::vector<std::wstring> lines;
        std::wstring text = config::problemLines(found);
        for (std::size_t end; (end = text.find(L'\n')) != std::wstring::npos;
             text.erase(0, end + 1)) {
            lines.push_back(text.substr(0, end));
        }
        return lines;
    }

    FakeTool fake;
    FakeCheckFiles files;
};

TEST(CheckConfiguration, FindsNothingOnAMachineTheProgramsSetUp) {
    Machine machine;
    machine.registerClass(L"ServerA.NeatService", neat);
    EXPECT_EQ(machine.problems(), (std::vector<std::wstring>{L"Check: 0 errors, 0 warnings."}));
}

struct ProblemCase {
    const char* what;
    std::function<void(Machine&)> make;
    std::vector<std::wstring> lines;  // the problem lines, then the count line
};

void expectCases(const std::vector<ProblemCase>& cases) {
    for (const ProblemCase& c : cases) {
        SCOPED_TRACE(c.what);
        Machine machine;
        c.make(machine);
        EXPECT_EQ(machine.problems(), c.lines);
    }
}

TEST(CheckConfiguration, FindsRecordsThatNameWhatIsGone) {
    expectCases({
        {"the server of a class removed",
         [](Machine& m) { removeServer(m.fake.tool, L"ServerA"); },
         {L"error: " + coolLine + L"ServerId \"ServerA\" names no server record",
          L"Check: 1 error, 0 warnings."}},
        {"registered again without a server after its server went",
         [](Machine& m) {
             removeServer(m.fake.tool, L"ServerA");
             m.registerClass(L"MyServer.CoolService", cool);
         },
         {L"error: " + coolLine + L"ServerId \"ServerA\" names no server record",
          L"Check: 1 error, 0 warnings."}},
        {"the JVM removed",
         [](Machine& m) { removeJvm(m.fake.tool, L"MyJVM"); },
         {L"error: " + coolLine + L"JvmId \"MyJVM\" names no JVM record",
          L"Check: 1 error, 0 warnings."}},
        {"a JvmId in another letter case names the same record",
         [](Machine& m) {
             m.fake.registry.putText(configRoot + L"\\CLSIDs\\" + cool, L"JvmId", L"myjvm");
         },
         {L"Check: 0 errors, 0 warnings."}},
        {"an empty ServerId is no server",
         [](Machine& m) {
             m.fake.registry.putText(configRoot + L"\\CLSIDs\\" + cool, L"ServerId", L"");
         },
         {L"Check: 0 errors, 0 warnings."}},
        {"an import removed, and an import list in other spacing",
         [](Machine& m) {
             addServer(m.fake.tool, L"ServerC", L"C:\\ServerB\\*", L"serverb,ServerD ,, ServerA");
             removeServer(m.fake.tool, L"ServerB");
         },
         {L"error: server ServerA: Imports names no server record \"ServerB\"",
          L"error: server ServerC: Imports names no server record \"serverb\"",
          L"error: server ServerC: Imports names no server record \"ServerD\"",
          L"Check: 3 errors, 0 warnings."}},
    });
}

TEST(CheckConfiguration, FindsPartialRecords) {
    expectCases({
        {"a registration that failed at its JvmId",
         [](Machine& m) {
             m.fake.registry.failCall(RegistryCall::setValue,
                                      configRoot + L"\\CLSIDs\\" + neat + L"@JvmId", 5);
             m.registerClass(L"ServerA.NeatService", neat);
         },
         {L"error: class " + neat + L" (ServerA.NeatService): JvmId is missing",
          L"error: class " + neat + L" (ServerA.NeatService): COM key \"CLSID\\" + neat +
              L"\" is missing",
          L"error: class " + neat +
              L" (ServerA.NeatService): COM key \"ServerA.NeatService\" is missing",
          L"error: class " + neat +
              L" (ServerA.NeatService): COM key \"ServerA.NeatService.1\" is missing",
          L"Check: 4 errors, 0 warnings."}},
        {"a record without ProgId and with a JavaClassName of another type",
         [](Machine& m) {
             const std::wstring record = configRoot + L"\\CLSIDs\\" + neat;
             m.fake.registry.putText(record, L"JvmId", L"MyJVM");
             m.fake.registry.putValue(record, L"JavaClassName", {valueType::dword, {1, 0, 0, 0}});
         },
         {L"error: class " + neat + L": ProgId is missing",
          L"error: class " + neat + L": JavaClassName is not a REG_SZ value",
          L"error: class " + neat + L": COM key \"CLSID\\" + neat + L"\" is missing",
          L"Check: 3 errors, 0 warnings."}},
        {"a JVM registered without options by hand, a server without Imports",
         [](Machine& m) {
             m.fake.registry.removeValue(configRoot + L"\\JVMs\\MyJVM", L"JvmOptions");
             m.fake.registry.removeValue(configRoot + L"\\Servers\\ServerB", L"Imports");
             m.fake.registry.removeValue(configRoot + L"\\Servers\\ServerB", L"Classpath");
         },
         {L"error: jvm MyJVM: JvmOptions is missing",
          L"error: server ServerB: Classpath is missing",
          L"warning: server ServerB: Imports is missing", L"Check: 2 errors, 1 warning."}},
    });
}

TEST(CheckConfiguration, FindsComKeysThatAreNotWhatRegistrationWrites) {
    const std::wstring server = L"COM key \"CLSID\\" + cool + L"\\InprocServer32\"";
    expectCases({
        {"a ProgID registered again for another CLSID",
         [](Machine& m) { m.registerClass(L"MyServer.CoolService", neat); },
         {L"error: class " + neat + L" (MyServer.CoolService): class " + cool +
              L" has the same ProgId",
          L"error: " + coolLine + L"class " + neat + L" has the same ProgId",
          L"error: " + coolLine +
              L"COM key \"MyServer.CoolService\\CLSID\" points to another CLSID \"" + neat + L"\"",
          L"error: " + coolLine +
              L"COM key \"MyServer.CoolService.1\\CLSID\" points to another CLSID \"" + neat +
              L"\"",
          L"Check: 4 errors, 0 warnings."}},
        {"one ProgID in two letter cases",
         [](Machine& m) { m.registerClass(L"myserver.coolservice", neat); },
         {L"error: class " + neat + L" (myserver.coolservice): class " + cool +
              L" has the same ProgId",
          L"error: " + coolLine + L"class " + neat + L" has the same ProgId",
          L"error: " + coolLine +
              L"COM key \"MyServer.CoolService\\CLSID\" points to another CLSID \"" + neat + L"\"",
          L"error: " + coolLine +
              L"COM key \"MyServer.CoolService.1\\CLSID\" points to another CLSID \"" + neat +
              L"\"",
          L"Check: 4 errors, 0 warnings."}},
        {"a ProgID that owns another class's versioned key",
         [](Machine& m) { m.registerClass(L"MyServer.CoolService.1", neat); },
         {L"error: class " + neat + L" (MyServer.CoolService.1): class " + cool +
              L" (MyServer.CoolService) owns the ProgID key \"MyServer.CoolService.1\" too",
          L"error: " + coolLine + L"class " + neat +
              L" (MyServer.CoolService.1) owns the ProgID key \"MyServer.CoolService.1\" too",
          L"error: " + coolLine +
              L"COM key \"MyServer.CoolService.1\\CLSID\" points to another CLSID \"" + neat +
              L"\"",
          L"Check: 3 errors, 0 warnings."}},
        // Key names, the CLSID and the current version among them, compare as the registry
        // compares them: the other view may have written them in another letter case.
        {"another product's threading model, key names in another letter case",
         [](Machine& m) {
             m.fake.registry.putText(L"HKCR\\CLSID\\" + cool + L"\\InprocServer32",
                                     L"ThreadingModel", L"Apartment");
             m.fake.registry.putText(L"HKCR\\MyServer.CoolService\\CLSID", L"",
                                     L"{b036abd6-ee02-4d8e-8d67-186dfee9a903}");
             m.fake.registry.putText(L"HKCR\\MyServer.CoolService\\CurVer", L"",
                                     L"MYSERVER.COOLSERVICE.1");
         },
         {L"error: " + coolLine + server +
              L" value ThreadingModel holds \"Apartment\", "
              L"registration writes \"both\"",
          L"Check: 1 error, 0 warnings."}},
        {"keys and values gone, one of another type",
         [](Machine& m) {
             m.fake.registry.deleteKey(classesRoot, L"MyServer.CoolService.1\\CLSID");
             m.fake.registry.removeValue(L"HKCR\\CLSID\\" + cool + L"\\ProgId", L"");
             m.fake.registry.putValue(L"HKCR\\MyServer.CoolService\\CurVer", L"",
                                      {valueType::expandSz, {'x', 0, 0, 0}});
         },
         {L"error: " + coolLine + L"COM key \"CLSID\\" + cool +
              L"\\ProgId\" has no value, registration writes \"MyServer.CoolService\"",
          L"error: " + coolLine + L"COM key \"MyServer.CoolService\\CurVer\" is not a REG_SZ value",
          L"error: " + coolLine + L"COM key \"MyServer.CoolService.1\\CLSID\" is missing",
          L"Check: 3 errors, 0 warnings."}},
        {"a CLSID that is no braced GUID",
         [](Machine& m) {
             m.registerClass(L"Plain.Name", L"2E2311DB-9D64-4cc0-9837-CD6B5F0FBF38");
         },
         {L"error: class 2E2311DB-9D64-4cc0-9837-CD6B5F0FBF38 (Plain.Name): the CLSID is not a "
          L"GUID in braces, so COM cannot use it",
          L"Check: 1 error, 0 warnings."}},
        {"a ProgID key another product has taken since",
         [](Machine& m) {
             m.fake.registry.putText(L"HKCR\\MyServer.CoolService\\CLSID", L"", neat);
         },
         {L"error: " + coolLine + L"the ProgID key \"MyServer.CoolService\" has been taken by " +
              L"class \"" + neat + L"\", which has no bridge record in this view",
          L"error: " + coolLine +
              L"COM key \"MyServer.CoolService\\CLSID\" points to another CLSID \"" + neat + L"\"",
          L"Check: 2 errors, 0 warnings."}},
        {"a ProgID that names a key COM keeps",
         [](Machine& m) { m.registerClass(L"interface", neat); },
         {L"error: class " + neat +
              L" (interface): the ProgID key \"interface\" is one that COM or the system keeps",
          L"Check: 1 error, 0 warnings."}},
        {"a class that cannot be read",
         [](Machine& m) {
             m.fake.registry.failCall(RegistryCall::openKey, L"HKCR\\MyServer.CoolService.1", 5,
                                      true);
         },
         {L"error: " + coolLine + L"Can't read COM key \"MyServer.CoolService.1\": error=5",
          L"Check: 1 error, 0 warnings."}},
    });
}

TEST(CheckConfiguration, FindsFilesThatAreGoneOrOfTheOtherArchitecture) {
    const std::wstring server = L"InprocServer32 \"" + runtimeLibrary + L"\"";
    expectCases({
        {"registered from a folder without the runtime",
         [](Machine& m) {
             m.registerClass(L"MyServer.CoolService", cool, L"ServerA", L"D:\\Gone\\VOLM.dll");
         },
         {L"error: " + coolLine + L"COM key \"CLSID\\" + cool +
              L"\\InprocServer32\" holds \"D:\\Gone\\VOLM.dll\", registration writes \"" +
              runtimeLibrary + L"\"",
          L"error: " + coolLine + L"InprocServer32 names a missing file \"D:\\Gone\\VOLM.dll\"",
          L"Check: 2 errors, 0 warnings."}},
        {"the runtime built for 32-bit",
         [](Machine& m) { m.files.files[runtimeLibrary] = imageHeader(config::i386Machine); },
         {L"error: " + coolLine + server + L" is built for 32-bit x86, this view needs x64",
          L"Check: 1 error, 0 warnings."}},
        {"the runtime no library",
         [](Machine& m) {
             m.files.files[runtimeLibrary] = {'h', 'i'};
         },
         {L"error: " + coolLine + server + L" is not a Windows library",
          L"Check: 1 error, 0 warnings."}},
        {"the runtime a folder",
         [](Machine& m) {
             m.files.files.erase(runtimeLibrary);
             m.files.folders.insert(runtimeLibrary);
         },
         {L"error: " + coolLine + L"InprocServer32 names a missing file \"" + runtimeLibrary +
              L"\"",
          L"Check: 1 error, 0 warnings."}},
        {"the JVM library and class path entries gone",
         [](Machine& m) {
             m.files.files.erase(jvmLibrary);
             m.files.files.erase(L"C:\\ServerA\\a.jar");
             m.files.folders.erase(L"C:\\ServerB");
         },
         {L"error: jvm MyJVM: DllPath names a missing file \"" + jvmLibrary + L"\"",
          L"warning: server ServerA: Classpath entry \"C:\\ServerA\\a.jar\" does not exist",
          L"warning: server ServerB: Classpath entry \"C:\\ServerB\\*\" does not exist",
          L"Check: 1 error, 2 warnings."}},
    });
}

TEST(CheckConfiguration, JudgesJvmOptionsByTheRegistrationRule) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"-Djava.class.path=C:\\VOLM\\lib\\VOLM.jar", L""},
        {L"\"-Djava.class.path=C:\\My Server\\a.jar;D:\\Bridge\\volm.JAR\" -Xmx64m", L""},
        {L"-Xmx64m", L"A non-null \"-Djava.class.path=...\" option must be specified"},
        {L"-Djava.class.path= -Dx=C:\\VOLM\\lib\\VOLM.jar",
         L"A non-null \"-Djava.class.path=...\" option must be specified"},
        {L"-djava.class.path=C:\\VOLM\\lib\\VOLM.jar",
         L"A non-null \"-Djava.class.path=...\" option must be specified"},
        {L"-Djava.class.path=C:\\MyServer\\MyServer.jar",
         L"VOLM.jar path must be specified in \"-Djava.class.path=...\" option"},
        {L"-Djava.class.path=volm.jar",
         L"VOLM.jar path must be specified in \"-Djava.class.path=...\" option"},
    };
    for (const auto& [options, message] : cases) {
        SCOPED_TRACE(std::string(options.begin(), options.end()));
        Machine machine;
        machine.fake.registry.putText(configRoot + L"\\JVMs\\MyJVM", L"JvmOptions", options);
        std::vector<std::wstring> expected;
        if (!message.empty()) {
            expected.push_back(L"error: jvm MyJVM: JvmOptions: " + message);
        }
        expected.push_back(message.empty() ? L"Check: 0 errors, 0 warnings."
                                           : L"Check: 1 error, 0 warnings.");
        EXPECT_EQ(machine.problems(), expected);
    }
}

TEST(CheckConfiguration, LooksAtEachFileOnceHoweverManyRecordsNameIt) {
    Machine machine;
    for (int i = 0; i < 20; ++i) {
        wchar_t clsid[40];
        swprintf(clsid, 40, L"{00000000-0000-0000-0000-%012d}", i);
        machine.registerClass(L"Many.Class" + std::to_wstring(i), clsid);
    }
    EXPECT_EQ(machine.problems().back(), L"Check: 0 errors, 0 warnings.");
    EXPECT_EQ(machine.files.asked[runtimeLibrary], 3);  // its kind, then its header in two reads
    EXPECT_EQ(machine.files.asked[jvmLibrary], 1);
}

}  // namespace
}  // namespace volmora::testing
