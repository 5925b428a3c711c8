// The listing window's geometry: where its two controls go for a client area, in twips, and the
// conversion between twips and the pixels of a display.
#pragma once

#include <optional>

namespace volmora {

// 1440 twips make an inch, so at 96 dots per inch one pixel is 15 twips.
inline constexpr double twipsPerInch = 1440.0;

struct TwipRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    friend bool operator==(const TwipRect&, const TwipRect&) = default;
};

struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Where the controls are when the window is created.
inline constexpr TwipRect okCommandDesign{3240, 2760, 1335, 375};
inline constexpr TwipRect listingTextDesign{240, 240, 7335, 2415};

struct ListingLayout {
    TwipRect listingText;
    TwipRect okCommand;
    friend bool operator==(const ListingLayout&, const ListingLayout&) = default;
};

// The control positions for a client area of width x height twips: the text fills the area
// but for 240-twip margins and the button row below it; the button keeps its size, centred and
// 435 twips above the bottom. Nothing when the area is too small for that (a minimized window
// has none at all): the controls then stay where they are.
std::optional<ListingLayout> layoutForClient(double width, double height);

// The DPI to draw at for what a display reports: one that reports none (0, as some systems do
// for a 32-bit program) is drawn at the standard 96.
inline constexpr int standardDpi = 96;
int usableDpi(int reportedDpi);

// Pixels on a display of dpi dots per inch (as usableDpi reads it), rounded to the nearest and
// clamped to the coordinates a window can take, so that no stored size can overflow.
int twipsToPixels(double twips, int dpi);
double pixelsToTwips(int pixels, int dpi);
PixelRect toPixels(const TwipRect& rect, int dpi);
TwipRect toTwips(const PixelRect& rect, int dpi);

}  // namespace volmora
