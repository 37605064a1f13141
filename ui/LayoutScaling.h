#pragma once
// The window's layout is stored for a window font whose "0" is 16 px high on a 96 dpi screen; on other screens
// every position and size is scaled by the measured text height when the window is built.

namespace quibel {

inline constexpr int ReferenceDpi = 96;
inline constexpr int ReferenceTextHeight = 16;

// value * numerator / denominator, rounded to the nearest integer (halves away from zero), with no overflow for
// the sizes of a window.
int ScaleValue(int value, int numerator, int denominator);

struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Scales left and top; width and height become the distance between the scaled edges, so that controls that
// touch at design size still touch.
Bounds ScaleBounds(const Bounds& bounds, int numerator, int denominator);

// The window font's character height on a screen of the given resolution.
int FontHeightForDpi(int designHeight, int dpi);

}  // namespace quibel
