// bindObject /l over thousands of classes: the listing is built whole, in time and memory that
// grow with its length only. Its own program, since it counts allocations by replacing the
// global operator new (countedAllocation.cpp), which no other test should run under.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bindObject.h"
#include "countedAllocation.h"
#include "fakePlatform.h"

namespace volmora {
namespace {

// Class records made up on demand, each found in constant time, so that the time of a listing
// is the listing's own.
class GeneratedClasses : public Registry {
  public:
    explicit GeneratedClasses(std::uint32_t count) : count_(count) {}

    static std::wstring clsid(std::uint32_t index) {
        wchar_t text[40];
        std::swprintf(text, 40, L"{%08X-0000-4000-8000-000000000000}", index);
        return text;
    }

    long createKey(KeyHandle, const std::wstring&, KeyHandle&) override {
        return status::accessDenied;
    }
    long openKey(KeyHandle parent, const std::wstring& path, KeyAccess, KeyHandle& key) override {
        if (parent == localMachine) {
            key = classes;
        } else if (parent == classes) {
            key = KeyHandle{firstRecord + std::stoul(path.substr(1, 8), nullptr, 16)};
        } else {
            return status::fileNotFound;
        }
        return status::success;
    }
    long closeKey(KeyHandle) override { return status::success; }
    long enumKey(KeyHandle, std::uint32_t index, std::wstring& name) override {
        if (index >= count_) {
            return status::noMoreItems;
        }
        name = clsid(index);
        return status::success;
    }
    long countSubkeys(KeyHandle, std::uint32_t& count) override {
        count = count_;
        return status::success;
    }
    long deleteKey(KeyHandle, const std::wstring&) override { return status::accessDenied; }
    long enumValue(KeyHandle, std::uint32_t, std::wstring&, std::uint32_t&,
                   std::vector<std::uint8_t>&) override {
        return status::noMoreItems;
    }
    long deleteValue(KeyHandle, const std::wstring&) override { return status::accessDenied; }
    long setValue(KeyHandle, const std::wstring&, std::uint32_t, const std::uint8_t*,
                  std::uint32_t) override {
        return status::accessDenied;
    }
    long queryValue(KeyHandle key, const std::wstring& name, std::uint32_t* type,
                    std::uint8_t* data, std::uint32_t* size) override {
        if (type != nullptr) {
            *type = valueType::sz;
        }
        return deliver(name + std::to_wstring(key.value - firstRecord), data, size);
    }
    long queryDefaultValue(KeyHandle, const std::wstring&, std::uint8_t* data,
                           std::uint32_t* size) override {
        return deliver(L"C:\\VOLM\\bin\\VOLM.dll", data, size);
    }
    long setDefaultValue(KeyHandle, const std::wstring&, const std::wstring&) override {
        return status::accessDenied;
    }

  private:
    static constexpr KeyHandle classes{0x10};
    static constexpr std::uintptr_t firstRecord = 0x100;

    static long deliver(const std::wstring& text, std::uint8_t* data, std::uint32_t* size) {
        const auto needed = static_cast<std::uint32_t>(2 * (text.size() + 1));
        if (data != nullptr) {
            for (std::size_t i = 0; i <= text.size(); ++i) {
                wchar_t c = i < text.size() ? text[i] : L'\0';
                data[2 * i] = static_cast<std::uint8_t>(c & 0xFF);
                data[2 * i + 1] = static_cast<std::uint8_t>(c >> 8);
            }
        }
        *size = needed;
        return status::success;
    }

    std::uint32_t count_;
};

TEST(ListJavaClasses, BuildsALongListingWholeInLinearTime) {
    constexpr std::uint32_t count = 5000;
    GeneratedClasses registry(count);
    testing::FakeMessageBoxes messages;
    testing::FakeListingWindows listings;
    testing::FakeSystem system;
    Platform platform{registry, messages, listings, system};
    Tool tool(platform);
    tool.initTool(L"Bind Object", FileSystemStart::internalError);

    const std::size_t allocatedBefore = testing::allocatedBytes();
    listJavaClasses(tool);
    const std::size_t allocated = testing::allocatedBytes() - allocatedBefore;

    ASSERT_EQ(listings.opened.size(), 1u);
    const std::wstring& text = listings.opened[0].text;
    auto block = [](std::uint32_t index) {
        const std::wstring n = std::to_wstring(index);
        return L"ProgId" + n + L":\r\n    CLSID:          \t" + GeneratedClasses::clsid(index) +
               L"\r\n    Java class:     \tJavaClassName" + n + L"\r\n    JVMID:          \tJvmId" +
               n + L"\r\n    ServerId:       \tServerId" + n +
               L"\r\n    InprocServer32: \tC:\\VOLM\\bin\\VOLM.dll";
    };
    std::wstring expected;
    for (std::uint32_t index = 0; index < count; ++index) {
        expected += index > 0 ? L"\r\n" : L"";
        expected += block(index);
    }
    EXPECT_TRUE(text == expected);
    // The text itself, its growth and the copy handed to the window, plus each record's small
    // temporaries; copying the text gathered so far for every class would take thousands of times
    // the text's size.
    EXPECT_LT(allocated, 20 * text.size() * sizeof(wchar_t));
}

}  // namespace
}  // namespace volmora
