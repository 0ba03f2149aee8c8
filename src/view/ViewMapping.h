#pragma once

#include <cmath>

// Rounds half to even, as std::nearbyint does in the default rounding mode, without the
// library call (a paint makes two per point).
inline double RoundHalfEven(double v) {
    constexpr double kMagic = 6755399441055744.0; // 1.5 * 2^52: adding it leaves no fraction
    if (std::abs(v) < 0x1p51)
        return (v + kMagic) - kMagic;
    return std::nearbyint(v); // also NaN
}

// World <-> pixel mapping of the plan view, free of any window so that it can be tested
// alone. World X grows to the right and Y upward; pixel x grows to the right and y downward.
// The world point (CenterX, CenterY) is drawn at pixel (HalfWidth, HalfHeight); Scale is
// pixels per world unit.
class ViewMapping {
public:
    static constexpr double kExtentsReset = 100000000.0;
    static constexpr double kMaxZoomScale = 70000.0;
    static constexpr double kZoomFactor = 1.5;
    // Pixel positions are clamped to this, so that far points at a large Scale neither
    // overflow 32 bits nor wrap around onto the screen.
    static constexpr int kPixelLimit = 1 << 30;

    double MinX = kExtentsReset;
    double MinY = kExtentsReset;
    double MaxX = -kExtentsReset;
    double MaxY = -kExtentsReset;
    double Scale = 1.0;
    int HalfWidth = 0;
    int HalfHeight = 0;
    double CenterX = 0.0;
    double CenterY = 0.0;

    // Rounds half to even, like every pixel position of the view.
    void WorldToScreen(int& sx, int& sy, double x, double y) const;
    // Rounded but unclamped pixel position, for drawing code that culls far points itself.
    double PixelX(double x) const { return RoundHalfEven((x - CenterX) * Scale + HalfWidth); }
    double PixelY(double y) const { return RoundHalfEven((CenterY - y) * Scale + HalfHeight); }
    // A zero Scale is repaired to 1.0 first (and stays so).
    void ScreenToWorld(int sx, int sy, double& x, double& y);

    // Extents are gathered in world units: ResetExtents, IncludeInExtents per point, then
    // CloseExtents adds a tenth of the span as margin on each side.
    void ResetExtents();
    void IncludeInExtents(double x, double y);
    void CloseExtents();
    // Centre and scale from the extents; width and height are the control's outer size.
    void FitView(int width, int height);

    // The mapping part of zooming and panning; the view repaints after them.
    // ZoomInScale returns false (and changes nothing) once Scale has reached the cap.
    bool ZoomInScale();
    void ZoomOutScale();
    // 0: CenterX -= distance, 1: CenterX += distance, 2: CenterY += distance,
    // 3: CenterY -= distance; other directions change nothing.
    void Shift(int direction, double distance);
    // World distance of one scroll-arrow step: about 100 pixels, in whole world units.
    double ScrollStep() const;
};

// Sizes, in pixels, that follow the zoom: label offset d, dot radius r, text cell height h.
struct MarkSizes {
    int offset = 0;
    int radius = 0;
    int textHeight = 0;
};
MarkSizes MarkSizesFor(double scale);

// Round half to even into an int, clamped to +-limit; NaN goes to +limit (off screen).
int RoundPixel(double v, int limit = ViewMapping::kPixelLimit);
