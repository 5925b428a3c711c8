// The listing window's placement in the per-user settings.
#include "listingPlacement.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <string>
#include <variant>

#include "recordPaths.h"
#include "regUtil.h"
#include "toolUtil.h"

namespace volmora {

namespace {

constexpr std::wstring_view leftSetting = L"MainLeft";
constexpr std::wstring_view topSetting = L"MainTop";
constexpr std::wstring_view widthSetting = L"MainWidth";
constexpr std::wstring_view heightSetting = L"MainHeight";
constexpr std::wstring_view stateSetting = L"MainWindowState";

std::optional<double> storedNumber(Registry& registry, KeyHandle key, std::wstring_view name) {
    RegValue value;
    if (getNamedValue(registry, key, std::wstring(name), value) != status::success) {
        return std::nullopt;
    }
    if (const auto* text = std::get_if<std::wstring>(&value)) {
        return settingNumber(*text);
    }
    if (const auto* number = std::get_if<std::int32_t>(&value)) {
        return *number;
    }
    return std::nullopt;
}

double storedLength(Registry& registry, KeyHandle key, std::wstring_view name, double fallback) {
    return storedNumber(registry, key, name).value_or(fallback);
}

WindowState storedState(Registry& registry, KeyHandle key) {
    std::optional<double> number = storedNumber(registry, key, stateSetting);
    if (!number) {
        return defaultPlacement.state;
    }
    // A 16-bit integer setting: a fraction rounds half to even.
    double state = std::nearbyint(*number);
    if (state == 1) {
        return WindowState::minimized;
    }
    if (state == 2) {
        return WindowState::maximized;
    }
    return WindowState::normal;
}

long saveNumber(Registry& registry, KeyHandle key, std::wstring_view name, double number) {
    return setNamedValue(registry, key, std::wstring(name), valueType::sz,
                         std::to_wstring(std::llround(number)));
}

}  // namespace

std::optional<double> settingNumber(std::wstring_view text) {
    auto first = text.find_first_not_of(L" \t");
    auto last = text.find_last_not_of(L" \t");
    if (first == std::wstring_view::npos) {
        return std::nullopt;
    }
    text = text.substr(first, last - first + 1);
    if (text.size() > 1 && text.front() == L'+' && text[1] != L'-') {
        text.remove_prefix(1);
    }
    std::string narrow;
    narrow.reserve(text.size());
    for (wchar_t c : text) {
        // Digits, sign, point and exponent only: this also keeps out "inf" and "nan".
        if (!((c >= L'0' && c <= L'9') || c == L'-' || c == L'.' || c == L'e' || c == L'E')) {
            return std::nullopt;
        }
        narrow += static_cast<char>(c);
    }
    double number = 0;
    const char* end = narrow.data() + narrow.size();
    auto [stop, error] = std::from_chars(narrow.data(), end, number);
    if (error != std::errc() || stop != end || !(std::fabs(number) <= FLT_MAX)) {
        return std::nullopt;
    }
    return number;
}

Placement loadPlacement(Registry& registry) {
    RegKey settings(registry);
    if (settings.open(currentUser, settingsPath(), KeyAccess::read) != status::success) {
        return defaultPlacement;
    }
    const KeyHandle key = settings.handle();
    const TwipRect& fallback = defaultPlacement.bounds;
    Placement placement;
    placement.bounds.left = storedLength(registry, key, leftSetting, fallback.left);
    placement.bounds.top = storedLength(registry, key, topSetting, fallback.top);
    placement.bounds.width = storedLength(registry, key, widthSetting, fallback.width);
    placement.bounds.height = storedLength(registry, key, heightSetting, fallback.height);
    placement.state = storedState(registry, key);
    return placement;
}

void savePlacement(Registry& registry, const Placement& placement) {
    if (placement.state == WindowState::minimized) {
        return;
    }
    RegKey settings(registry);
    if (settings.create(currentUser, settingsPath()) != status::success) {
        return;
    }
    const KeyHandle key = settings.handle();
    if (placement.state == WindowState::normal) {
        const TwipRect& bounds = placement.bounds;
        if (saveNumber(registry, key, leftSetting, bounds.left) != status::success ||
            saveNumber(registry, key, topSetting, bounds.top) != status::success ||
            saveNumber(registry, key, widthSetting, bounds.width) != status::success ||
            saveNumber(registry, key, heightSetting, bounds.height) != status::success) {
            return;
        }
    }
    saveNumber(registry, key, stateSetting, static_cast<int>(placement.state));
}

}  // namespace volmora
