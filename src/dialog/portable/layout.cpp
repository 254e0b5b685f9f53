#include "dialog/portable/layout.h"

#include "common/portable/number.h"

#include <algorithm>
#include <cmath>

namespace vantrel2 {
namespace {

inline constexpr int kDefaultTwipsPerPixel = 15;

}  // namespace

std::array<ControlDesign, kControlDesigns.size()> ControlsInTabOrder() {
    auto sorted = kControlDesigns;
    std::sort(sorted.begin(), sorted.end(), [](const ControlDesign& a, const ControlDesign& b) {
        return a.tabIndex < b.tabIndex;
    });
    return sorted;
}

int TwipsPerPixel(int dpi) {
    if (dpi <= 0 || dpi > 1440) return kDefaultTwipsPerPixel;
    return 1440 / dpi;
}

int TwipsToPixels(int twips, int twipsPerPixel) {
    if (twipsPerPixel <= 0) twipsPerPixel = kDefaultTwipsPerPixel;
    return static_cast<int>(RoundHalfEven(static_cast<double>(twips) / twipsPerPixel));
}

PixelRect ToPixels(const TwipRect& twips, int twipsPerPixelX, int twipsPerPixelY) {
    return {TwipsToPixels(twips.left, twipsPerPixelX), TwipsToPixels(twips.top, twipsPerPixelY),
            TwipsToPixels(twips.width, twipsPerPixelX),
            TwipsToPixels(twips.height, twipsPerPixelY)};
}

int CentredOrigin(double screenTwips, double outerTwips) {
    const double difference = RoundHalfEven(screenTwips - outerTwips);
    // Screens are far smaller than the int range; the checks only keep a
    // nonsense input from being undefined behaviour.
    if (std::isnan(difference)) return 0;
    const double clamped = std::clamp(difference, -2.0e9, 2.0e9);
    return static_cast<int>(clamped) / 2;
}

}  // namespace vantrel2
