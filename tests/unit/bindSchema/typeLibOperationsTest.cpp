// addTypeLib and removeTypeLib: the five messages, where each operation stops, and the runtime
// library's failures on their way to the internal-error handler.
#include <gtest/gtest.h>

#include "schemaRun.h"

namespace volmora::testing {
namespace {

constexpr wchar_t path[] = L"C:\\MyServer\\MyServer.tlb";
constexpr std::int32_t cantLoadLibrary = -2147312566;  // 0x80029C4A
constexpr std::int32_t accessDenied = -2147024891;     // 0x80070005
constexpr std::int32_t invalidArgument = -2147024809;  // 0x80070057

struct OutcomeCase {
    std::wstring argumentText;
    std::int32_t loadResult;
    std::int32_t registerResult;
    std::int32_t unregisterResult;
    MessageIcon icon;
    std::wstring text;
    std::vector<std::wstring> calls;
};

TEST(TypeLibOperations, ReportEachOutcomeInItsMessageAndStopAtTheFirstFailure) {
    const std::wstring load = L"load C:\\MyServer\\MyServer.tlb";
    const std::wstring registration = L"register C:\\MyServer\\MyServer.tlb help C:\\MyServer";
    const OutcomeCase cases[] = {
        {path,
         0,
         0,
         0,
         MessageIcon::information,
         L"Type library \"C:\\MyServer\\MyServer.tlb\" successfully registered.",
         {load, registration}},
        {path,
         cantLoadLibrary,
         0,
         0,
         MessageIcon::exclamation,
         L"Can't load \"C:\\MyServer\\MyServer.tlb\" type library: error=-2147312566",
         {load}},
        {path,
         0,
         accessDenied,
         0,
         MessageIcon::exclamation,
         L"Can't register \"C:\\MyServer\\MyServer.tlb\" type library: error=-2147024891",
         {load, registration}},
        {path,
         0,
         1,
         0,
         MessageIcon::exclamation,
         L"Can't register \"C:\\MyServer\\MyServer.tlb\" type library: error=1",
         {load, registration}},
        {L"/u C:\\MyServer\\MyServer.tlb",
         0,
         0,
         0,
         MessageIcon::information,
         L"Type library \"C:\\MyServer\\MyServer.tlb\" successfully unregistered.",
         {load, L"unregister"}},
        // A load failure never reaches the runtime library.
        {L"/u C:\\MyServer\\MyServer.tlb",
         cantLoadLibrary,
         0,
         0,
         MessageIcon::exclamation,
         L"Can't load \"C:\\MyServer\\MyServer.tlb\" type library: error=-2147312566",
         {load}},
        {L"/u C:\\MyServer\\MyServer.tlb",
         0,
         0,
         invalidArgument,
         MessageIcon::exclamation,
         L"Can't unregister \"C:\\MyServer\\MyServer.tlb\" type library: error=-2147024809",
         {load, L"unregister"}},
        {L"/u C:\\MyServer\\MyServer.tlb",
         0,
         0,
         2147483647,
         MessageIcon::exclamation,
         L"Can't unregister \"C:\\MyServer\\MyServer.tlb\" type library: error=2147483647",
         {load, L"unregister"}},
        {L"/u C:\\MyServer\\MyServer.tlb",
         0,
         0,
         -2147483647 - 1,
         MessageIcon::exclamation,
         L"Can't unregister \"C:\\MyServer\\MyServer.tlb\" type library: error=-2147483648",
         {load, L"unregister"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SchemaRun schema;
        schema.typeLibraries.loadResult = c.loadResult;
        schema.typeLibraries.registerResult = c.registerResult;
        schema.typeLibraries.unregisterResult = c.unregisterResult;
        EXPECT_EQ(schema.run(c.argumentText), 0u);
        EXPECT_EQ(schema.messages.shown,
                  (std::vector<ShownMessage>{{c.icon, L"Volmora - Bind Schema", c.text}}));
        EXPECT_EQ(schema.typeLibraries.calls, c.calls);
    }
}

struct MissingRuntimeCase {
    std::wstring argumentText;
    std::int32_t number;
    std::wstring description;
    std::vector<ShownMessage> shown;
};

TEST(TypeLibOperations, MissingRuntimeLibraryReachesTheInternalErrorHandler) {
    const MissingRuntimeCase cases[] = {
        {L"/u x.tlb",
         126,
         L"File not found: VOLM.dll",
         {{MessageIcon::exclamation, L"Volmora - Bind Schema",
           L"Internal error: number=0x7E, source=bindSchemaProject, "
           L"description=File not found: VOLM.dll"}}},
        {L"/u x.tlb",
         127,
         L"no export",
         {{MessageIcon::exclamation, L"Volmora - Bind Schema",
           L"Internal error: number=0x7F, source=bindSchemaProject, description=no export"}}},
        {L"/u /s x.tlb", 126, L"File not found: VOLM.dll", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argumentText + L" " + c.description);
        SchemaRun schema;
        schema.typeLibraries.missingRuntime = ToolError{c.number, std::nullopt, c.description};
        EXPECT_EQ(schema.run(c.argumentText), static_cast<std::uint32_t>(c.number));
        EXPECT_EQ(schema.messages.shown, c.shown);
        EXPECT_EQ(schema.typeLibraries.calls,
                  (std::vector<std::wstring>{L"load C:\\Work\\x.tlb", L"unregister"}));
    }
}

}  // namespace
}  // namespace volmora::testing
