// The record walk: enumeration order, what an unopened record does under each policy, a visitor
// that ends the walk, and the message a failed walk shows.
#include <gtest/gtest.h>

#include "fakePlatform.h"
#include "recordWalk.h"
#include "regUtil.h"

namespace volmora::testing {
namespace {

const std::wstring records = L"HKLM\\SOFTWARE\\Records";

TEST(RecordWalk, VisitsEachRecordOpenUntilTheEndTheVisitorOrAFailure) {
    struct Case {
        const char* what;
        UnopenedRecord unopened;
        RegistryCall call;  // fails once on target; no walk sets a value
        std::wstring target;
        std::wstring stopAt;
        std::wstring visited;
        std::wstring message;
    };
    const Case cases[] = {
        {"all, in enumeration order", UnopenedRecord::stop, RegistryCall::setValue, L"", L"",
         L"a b c ", L""},
        {"the visitor ends it", UnopenedRecord::stop, RegistryCall::setValue, L"", L"b", L"a b ",
         L""},
        {"an unopened record ends it", UnopenedRecord::stop, RegistryCall::openKey,
         records + L"\\b", L"", L"a ", L"Can't open \"b\" key: error=5"},
        {"an unopened record is passed over", UnopenedRecord::passOver, RegistryCall::openKey,
         records + L"\\b", L"", L"a c ", L""},
        {"an enumeration failure ends it under either policy", UnopenedRecord::passOver,
         RegistryCall::enumKey, records, L"", L"", L"Can't enumerate Records: error=5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeTool fake;
        for (const wchar_t* name : {L"c", L"a", L"b"}) {
            fake.registry.putText(records + L"\\" + name, L"Name", name);
        }
        fake.registry.failCall(c.call, c.target, 5);
        RegKey parent(fake.registry);
        ASSERT_EQ(parent.open(localMachine, L"SOFTWARE\\Records", KeyAccess::read), 0);
        std::wstring visited;
        WalkEnd end = walkRecords(
            fake.registry, parent.handle(), c.unopened,
            [&](const std::wstring& name, RegKey& record) {
                // The record is open: its own value reads back.
                RegValue value;
                EXPECT_EQ(getNamedValue(fake.registry, record.handle(), L"Name", value), 0);
                visited += name + L" ";
                return name != c.stopAt;
            });
        parent.close();
        EXPECT_EQ(visited, c.visited);
        EXPECT_EQ(reportWalkFailure(fake.tool, end, L"Records"), !c.message.empty());
        if (!c.message.empty()) {
            EXPECT_EQ(fake.onlyMessage().text, c.message);
        }
        EXPECT_EQ(fake.registry.openHandles(), 0u);
    }
}

}  // namespace
}  // namespace volmora::testing
