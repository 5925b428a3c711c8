// The benchmark's listing floor builds its text itself: it must be the text bindObject /l shows
// for the same records, or the floor is the floor of another listing.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "bindObject.h"
#include "classBlockText.h"
#include "fakePlatform.h"

namespace volmora {
namespace {

const std::wstring classesKey = L"HKLM\\SOFTWARE\\Tamsiver Software\\VOLM\\CLSIDs";

// A record as the registry holds it: a value left out is not there at all.
struct RecordCase {
    std::wstring clsid;
    std::optional<std::wstring> progId;
    std::optional<std::wstring> javaClassName;
    std::optional<std::wstring> jvmId;
    std::optional<std::wstring> serverId;
    std::optional<std::wstring> inprocServer;  // nothing: no COM keys for the class
};

TEST(ListingFloorText, IsTheClassListingsTextForTheSameRecords) {
    const RecordCase records[] = {
        {L"{A0}", L"Bench.Class0", L"com.tamsiver.bench.Class0", L"BenchJVM", std::nullopt,
         std::nullopt},
        {L"{A1}", L"ServerA.Neat", L"com.tamsiver.Neat", L"MyJVM", L"ServerA",
         L"C:\\VOLM\\bin\\VOLM.dll"},
        {L"{A2}", L"P", L"J", L"V", L"", L""},
        {L"{A3}", std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {L"{A4}", L"", L"com.tamsiver.Tab\there", std::nullopt, L"S", L"D"},
    };
    testing::FakeTool fake;
    std::wstring floorText;
    for (const auto& record : records) {
        const std::wstring key = classesKey + L"\\" + record.clsid;
        fake.registry.putKey(key);
        auto put = [&](std::wstring_view name, const std::optional<std::wstring>& value) {
            if (value) {
                fake.registry.putText(key, std::wstring(name), *value);
            }
        };
        put(recordValue::progId, record.progId);
        put(recordValue::javaClassName, record.javaClassName);
        put(recordValue::jvmId, record.jvmId);
        put(recordValue::serverId, record.serverId);
        if (record.inprocServer) {
            fake.registry.putText(L"HKCR\\CLSID\\" + record.clsid + L"\\InprocServer32", L"",
                                  *record.inprocServer);
        }
        const std::wstring missing(bench::missingValue);
        bench::appendClassBlock(
            floorText, record.clsid,
            {record.progId.value_or(missing), record.javaClassName.value_or(missing),
             record.jvmId.value_or(missing), record.serverId.value_or(L""),
             record.inprocServer.value_or(missing)});
    }
    listJavaClasses(fake.tool);
    ASSERT_EQ(fake.listings.opened.size(), 1u);
    EXPECT_EQ(fake.listings.opened[0].title, bench::classListingTitle);
    EXPECT_EQ(fake.listings.opened[0].text, floorText);
}

}  // namespace
}  // namespace volmora
