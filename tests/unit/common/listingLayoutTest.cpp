// The listing window's layout arithmetic and the twip/pixel conversion.
#include <gtest/gtest.h>

#include <optional>

#include "listingLayout.h"

namespace volmora {
namespace {

struct LayoutCase {
    double width;
    double height;
    std::optional<ListingLayout> expected;
};

TEST(ListingLayout, PlacesTheControlsOrLeavesThemWhenTheAreaIsTooSmall) {
    const LayoutCase cases[] = {
        {0, 0, std::nullopt},  // minimized
        {480, 5000, std::nullopt},
        {5000, 780, std::nullopt},
        {480, 780, std::nullopt},
        {481, 780, std::nullopt},
        {480, 781, std::nullopt},
        {-15, 5000, std::nullopt},
        {481, 781, ListingLayout{{240, 240, 1, 1}, {-427, 346, 1335, 375}}},
        {7845, 3195, ListingLayout{{240, 240, 7365, 2415}, {3255, 2760, 1335, 375}}},
        {9000, 5000, ListingLayout{{240, 240, 8520, 4220}, {3832.5, 4565, 1335, 375}}},
    };
    for (const auto& [width, height, expected] : cases) {
        EXPECT_EQ(layoutForClient(width, height), expected) << width << " x " << height;
    }
}

TEST(ListingLayout, KeepsTheMarginsAndTheButtonCentredAtEverySize) {
    for (double width = 481; width < 20000; width += 97) {
        for (double height = 781; height < 12000; height += 251) {
            const auto layout = layoutForClient(width, height);
            ASSERT_TRUE(layout.has_value());
            const TwipRect& text = layout->listingText;
            const TwipRect& button = layout->okCommand;
            EXPECT_EQ(width - (text.left + text.width), 240);
            EXPECT_EQ(button.left + button.width / 2, width / 2);
            EXPECT_EQ(height - (button.top + button.height), 60);
            EXPECT_EQ(button.top - (text.top + text.height), 105);
            EXPECT_EQ(button.width, 1335);
            EXPECT_EQ(button.height, 375);
        }
    }
}

TEST(TwipsAndPixels, ConvertAtTheDisplaysDpiRoundedAndClamped) {
    // twips, dpi, pixels; a display that reports a DPI of 0 (or less) is drawn at 96
    const std::tuple<double, int, int> toPixelCases[] = {
        {15, 96, 1},         {1000, 96, 67},      {7965, 96, 531},     {3600, 96, 240},
        {7.5, 96, 1},        {7.4, 96, 0},        {-1000, 96, -67},    {1440, 144, 144},
        {240, 120, 20},      {1335, 192, 178},    {1e30, 96, 32767},   {-1e30, 96, -32768},
        {3.4e38, 96, 32767}, {491520, 96, 32767}, {491505, 96, 32767}, {491490, 96, 32766},
        {1000, 0, 67},       {1000, -120, 67},
    };
    for (const auto& [twips, dpi, pixels] : toPixelCases) {
        EXPECT_EQ(twipsToPixels(twips, dpi), pixels) << twips << " at " << dpi;
    }
    const std::tuple<int, int, double> toTwipCases[] = {
        {531, 96, 7965}, {1, 96, 15}, {-67, 96, -1005}, {10, 144, 100},
        {1, 120, 12},    {0, 96, 0},  {531, 0, 7965},   {1, -1, 15},
    };
    for (const auto& [pixels, dpi, twips] : toTwipCases) {
        EXPECT_EQ(pixelsToTwips(pixels, dpi), twips) << pixels << " at " << dpi;
    }
}

TEST(TwipsAndPixels, KeepTheButtonOneSizeWhereverItIs) {
    for (double left = -500; left < 500; left += 7.5) {
        const PixelRect button = toPixels({left, 100, 1335, 375}, 96);
        EXPECT_EQ(button.width, 89) << left;
        EXPECT_EQ(button.height, 25) << left;
    }
    EXPECT_EQ(toTwips({67, -10, 531, 240}, 96), (TwipRect{1005, -150, 7965, 3600}));
    EXPECT_EQ(toPixels({1000, 1000, 7965, 3600}, 144), (PixelRect{100, 100, 797, 360}));
}

}  // namespace
}  // namespace volmora
