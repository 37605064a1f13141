#include "ui/LayoutScaling.h"

#include <cstdint>

namespace quibel {

int ScaleValue(int value, int numerator, int denominator) {
    if (denominator == 0) {
        return value;
    }
    std::int64_t product = static_cast<std::int64_t>(value) * numerator;
    std::int64_t divisor = denominator;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    const std::int64_t rounded =
        product >= 0 ? (product + divisor / 2) / divisor : -((-product + divisor / 2) / divisor);
    return static_cast<int>(rounded);
}

Bounds ScaleBounds(const Bounds& bounds, int numerator, int denominator) {
    Bounds scaled;
    scaled.left = ScaleValue(bounds.left, numerator, denominator);
    scaled.top = ScaleValue(bounds.top, numerator, denominator);
    scaled.width = ScaleValue(bounds.left + bounds.width, numerator, denominator) - scaled.left;
    scaled.height = ScaleValue(bounds.top + bounds.height, numerator, denominator) - scaled.top;
    return scaled;
}

int FontHeightForDpi(int designHeight, int dpi) {
    return dpi == ReferenceDpi ? designHeight : ScaleValue(designHeight, dpi, ReferenceDpi);
}

}  // namespace quibel
