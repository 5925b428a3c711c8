// The listing window's placement in the per-user settings: defaults, bad values, saving rules.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "listingPlacement.h"
#include "memoryRegistry.h"

namespace volmora {
namespace {

using testing::MemoryRegistry;
using testing::RegistryCall;
using testing::StoredValue;

const std::wstring settingsKey = L"HKCU\\Software\\Tamsiver Software\\Volmora\\Settings";

TEST(SettingNumber, AcceptsDecimalNumbersOnly) {
    const std::pair<std::wstring, std::optional<double>> cases[] = {
        {L"1000", 1000},
        {L" 2000\t", 2000},
        {L"-15", -15},
        {L"+15", 15},
        {L"1.5", 1.5},
        {L"1e3", 1000},
        {L".5", 0.5},
        {L"0", 0},
        {L"3.4e38", 3.4e38},
        {L"", std::nullopt},
        {L"   ", std::nullopt},
        {L"abc", std::nullopt},
        {L"12abc", std::nullopt},
        {L"1,000", std::nullopt},
        {L"1 000", std::nullopt},
        {L"inf", std::nullopt},
        {L"nan", std::nullopt},
        {L"1e39", std::nullopt},
        {L"-1e39", std::nullopt},
        {L"+-1", std::nullopt},
        {L"--1", std::nullopt},
        {L"0x10", std::nullopt},
        {L"-", std::nullopt},
        {L".", std::nullopt},
        {L"1-2", std::nullopt},
        {L"\u0661", std::nullopt},
        {L"1e", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(settingNumber(text), expected) << text;
    }
}

struct LoadCase {
    const char* what;
    std::map<std::wstring, StoredValue> stored;  // nothing stored: the key is missing
    Placement expected;
};

StoredValue sz(const std::wstring& text) {
    StoredValue value{valueType::sz, {}};
    for (wchar_t c : text + L'\0') {
        value.data.push_back(static_cast<std::uint8_t>(c & 0xFF));
        value.data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return value;
}

StoredValue dword(std::uint8_t low) {
    return {valueType::dword, {low, 0, 0, 0}};
}

TEST(LoadPlacement, ReadsEachSettingWithItsDefault) {
    using enum WindowState;
    const Placement standard = defaultPlacement;
    const LoadCase cases[] = {
        {"no settings", {}, {{1000, 1000, 7965, 3600}, normal}},
        {"all settings",
         {{L"MainLeft", sz(L"2000")},
          {L"MainTop", sz(L"1500")},
          {L"MainWidth", sz(L"9000")},
          {L"MainHeight", sz(L"5000")},
          {L"MainWindowState", sz(L"0")}},
         {{2000, 1500, 9000, 5000}, normal}},
        {"some settings",
         {{L"MainTop", sz(L"-300")}, {L"MainWindowState", sz(L"2")}},
         {{1000, -300, 7965, 3600}, maximized}},
        {"key without values", {{L"Other", sz(L"1")}}, standard},
        {"values that are no numbers",
         {{L"MainLeft", sz(L"left")},
          {L"MainTop", sz(L"")},
          {L"MainWidth", sz(L"12px")},
          {L"MainHeight", sz(L"4500")},
          {L"MainWindowState", sz(L"max")}},
         {{1000, 1000, 7965, 4500}, normal}},
        {"minimized", {{L"MainWindowState", sz(L"1")}}, {standard.bounds, minimized}},
        {"state beyond the three", {{L"MainWindowState", sz(L"7")}}, standard},
        {"negative state", {{L"MainWindowState", sz(L"-1")}}, standard},
        {"state with a fraction", {{L"MainWindowState", sz(L"1.6")}}, {standard.bounds, maximized}},
        {"state halfway rounds to even",
         {{L"MainWindowState", sz(L"2.5")}},
         {standard.bounds, maximized}},
        {"state halfway down", {{L"MainWindowState", sz(L"0.5")}}, standard},
        {"fractional twips", {{L"MainLeft", sz(L"1234.5")}}, {{1234.5, 1000, 7965, 3600}, normal}},
        {"numbers stored as numbers",
         {{L"MainLeft", dword(30)}, {L"MainWindowState", dword(2)}},
         {{30, 1000, 7965, 3600}, maximized}},
        {"other value types",
         {{L"MainLeft", {valueType::expandSz, sz(L"5").data}},
          {L"MainTop", {valueType::binary, {1, 2}}}},
         standard},
    };
    for (const auto& [what, stored, expected] : cases) {
        MemoryRegistry registry;
        for (const auto& [name, value] : stored) {
            registry.putValue(settingsKey, name, value);
        }
        EXPECT_EQ(loadPlacement(registry), expected) << what;
        EXPECT_EQ(registry.openHandles(), 0u) << what;
        EXPECT_FALSE(registry.keyExists(settingsKey) && stored.empty()) << what;
    }
}

TEST(LoadPlacement, TakesTheDefaultsWhenTheSettingsCannotBeRead) {
    MemoryRegistry registry;
    registry.putText(settingsKey, L"MainLeft", L"2000");
    registry.putText(settingsKey, L"MainTop", L"1500");
    registry.failCall(RegistryCall::queryValue, settingsKey + L"@MainLeft", 5);
    EXPECT_EQ(loadPlacement(registry), (Placement{{1000, 1500, 7965, 3600}, WindowState::normal}));

    registry.failCall(RegistryCall::openKey, settingsKey, 5);
    EXPECT_EQ(loadPlacement(registry), defaultPlacement);
    EXPECT_EQ(registry.openHandles(), 0u);
}

struct SaveCase {
    const char* what;
    Placement placement;
    std::map<std::wstring, std::wstring> expected;  // every value of the key afterwards
};

TEST(SavePlacement, KeepsWhatTheWindowStateCallsFor) {
    using enum WindowState;
    const std::map<std::wstring, std::wstring> earlier = {{L"MainLeft", L"2000"},
                                                          {L"MainTop", L"1500"},
                                                          {L"MainWidth", L"9000"},
                                                          {L"MainHeight", L"5000"},
                                                          {L"MainWindowState", L"0"}};
    const SaveCase cases[] = {
        {"normal",
         {{3000, -150, 8000, 4005}, normal},
         {{L"MainLeft", L"3000"},
          {L"MainTop", L"-150"},
          {L"MainWidth", L"8000"},
          {L"MainHeight", L"4005"},
          {L"MainWindowState", L"0"}}},
        {"normal, whole twips",
         {{1000.4, 999.6, 7965, 3600}, normal},
         {{L"MainLeft", L"1000"},
          {L"MainTop", L"1000"},
          {L"MainWidth", L"7965"},
          {L"MainHeight", L"3600"},
          {L"MainWindowState", L"0"}}},
        {"maximized keeps the earlier bounds",
         {{-60, -60, 19320, 15480}, maximized},
         {{L"MainLeft", L"2000"},
          {L"MainTop", L"1500"},
          {L"MainWidth", L"9000"},
          {L"MainHeight", L"5000"},
          {L"MainWindowState", L"2"}}},
        {"minimized saves nothing", {{0, 0, 2400, 405}, minimized}, earlier},
    };
    for (const auto& [what, placement, expected] : cases) {
        MemoryRegistry registry;
        for (const auto& [name, text] : earlier) {
            registry.putText(settingsKey, name, text);
        }
        savePlacement(registry, placement);
        for (const auto& [name, text] : expected) {
            EXPECT_EQ(registry.value(settingsKey, name), sz(text)) << what << " " << name;
        }
        EXPECT_EQ(registry.openHandles(), 0u) << what;
    }
}

TEST(SavePlacement, CreatesTheKeyOnlyWhenThereIsSomethingToSave) {
    MemoryRegistry minimized;
    savePlacement(minimized, {{0, 0, 100, 100}, WindowState::minimized});
    EXPECT_FALSE(minimized.keyExists(settingsKey));

    MemoryRegistry maximized;
    savePlacement(maximized, {{0, 0, 100, 100}, WindowState::maximized});
    EXPECT_EQ(maximized.text(settingsKey, L"MainWindowState"), L"2");
    EXPECT_FALSE(maximized.value(settingsKey, L"MainLeft").has_value());
    EXPECT_EQ(loadPlacement(maximized),
              (Placement{defaultPlacement.bounds, WindowState::maximized}));
}

TEST(SavePlacement, ReportsNothingWhenTheSettingsCannotBeWritten) {
    MemoryRegistry noKey;
    noKey.failCall(RegistryCall::createKey, settingsKey, 5);
    EXPECT_NO_THROW(savePlacement(noKey, {{1, 2, 3, 4}, WindowState::normal}));
    EXPECT_FALSE(noKey.keyExists(settingsKey));

    MemoryRegistry noValue;
    noValue.failCall(RegistryCall::setValue, settingsKey + L"@MainTop", 5);
    EXPECT_NO_THROW(savePlacement(noValue, {{1, 2, 3, 4}, WindowState::normal}));
    EXPECT_EQ(noValue.text(settingsKey, L"MainLeft"), L"1");
    EXPECT_EQ(noValue.openHandles(), 0u);
}

}  // namespace
}  // namespace volmora
