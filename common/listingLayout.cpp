// The listing window's geometry in twips and its conversion to pixels.
#include "listingLayout.h"

#include <algorithm>
#include <cmath>

namespace volmora {

namespace {

constexpr double sideMargin = 240;       // left, top and right of the text
constexpr double buttonRowHeight = 540;  // text-to-button gap, button height, bottom margin
constexpr double buttonTopFromBottom = 435;

// Window managers take 16-bit coordinates; anything beyond is no position on any screen.
constexpr double smallestCoordinate = -32768;
constexpr double largestCoordinate = 32767;

}  // namespace

std::optional<ListingLayout> layoutForClient(double width, double height) {
    if (width <= 2 * sideMargin || height <= sideMargin + buttonRowHeight) {
        return std::nullopt;
    }
    ListingLayout layout;
    layout.listingText = {sideMargin, sideMargin, width - 2 * sideMargin,
                          height - sideMargin - buttonRowHeight};
    layout.okCommand = {(width - okCommandDesign.width) / 2, height - buttonTopFromBottom,
                        okCommandDesign.width, okCommandDesign.height};
    return layout;
}

int usableDpi(int reportedDpi) {
    return reportedDpi > 0 ? reportedDpi : standardDpi;
}

int twipsToPixels(double twips, int dpi) {
    double pixels = std::round(twips * usableDpi(dpi) / twipsPerInch);
    if (std::isnan(pixels)) {
        return 0;
    }
    return static_cast<int>(std::clamp(pixels, smallestCoordinate, largestCoordinate));
}

double pixelsToTwips(int pixels, int dpi) {
    return pixels * twipsPerInch / usableDpi(dpi);
}

PixelRect toPixels(const TwipRect& rect, int dpi) {
    // Each length on its own, so that a control of fixed size keeps one pixel size everywhere.
    return {twipsToPixels(rect.left, dpi), twipsToPixels(rect.top, dpi),
            twipsToPixels(rect.width, dpi), twipsToPixels(rect.height, dpi)};
}

TwipRect toTwips(const PixelRect& rect, int dpi) {
    return {pixelsToTwips(rect.left, dpi), pixelsToTwips(rect.top, dpi),
            pixelsToTwips(rect.width, dpi), pixelsToTwips(rect.height, dpi)};
}

}  // namespace volmora
