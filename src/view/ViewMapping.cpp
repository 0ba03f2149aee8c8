#include "view/ViewMapping.h"

#include <cmath>
#include <utility>

int RoundPixel(double v, int limit) {
    const double r = std::nearbyint(v); // default rounding mode: half to even
    if (!(r < limit))
        return limit; // also NaN
    if (r < -limit)
        return -limit;
    return static_cast<int>(r);
}

void ViewMapping::WorldToScreen(int& sx, int& sy, double x, double y) const {
    sx = RoundPixel((x - CenterX) * Scale + HalfWidth);
    sy = RoundPixel((CenterY - y) * Scale + HalfHeight);
}

void ViewMapping::ScreenToWorld(int sx, int sy, double& x, double& y) {
    if (Scale == 0.0)
        Scale = 1.0;
    x = (sx - HalfWidth) / Scale + CenterX;
    y = CenterY - (sy - HalfHeight) / Scale;
}

void ViewMapping::ResetExtents() {
    MinX = MinY = kExtentsReset;
    MaxX = MaxY = -kExtentsReset;
}

void ViewMapping::IncludeInExtents(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y))
        return;
    if (x > MaxX)
        MaxX = x;
    if (y > MaxY)
        MaxY = y;
    if (x < MinX)
        MinX = x;
    if (y < MinY)
        MinY = y;
}

void ViewMapping::CloseExtents() {
    // With no points the reset values stay and are swapped into a span of 2e8 units.
    if (MaxX < MinX)
        std::swap(MaxX, MinX);
    if (MaxY < MinY)
        std::swap(MaxY, MinY);
    double d = (MaxX - MinX) / 10;
    MaxX += d;
    MinX -= d;
    d = (MaxY - MinY) / 10;
    MaxY += d;
    MinY -= d;
}

void ViewMapping::FitView(int width, int height) {
    CenterX = (MinX + MaxX) / 2;
    CenterY = (MinY + MaxY) / 2;
    HalfWidth = width / 2;
    HalfHeight = height / 2;
    const double sx = (MaxX - MinX) != 0 ? width / (MaxX - MinX) : width;
    const double sy = (MaxY - MinY) != 0 ? height / (MaxY - MinY) : height;
    Scale = sx > sy ? sy : sx;
}

bool ViewMapping::ZoomInScale() {
    if (Scale >= kMaxZoomScale)
        return false;
    Scale *= kZoomFactor;
    return true;
}

void ViewMapping::ZoomOutScale() { Scale /= kZoomFactor; }

void ViewMapping::Shift(int direction, double distance) {
    switch (direction) {
    case 0: CenterX -= distance; break;
    case 1: CenterX += distance; break;
    case 2: CenterY += distance; break;
    case 3: CenterY -= distance; break;
    default: break;
    }
}

double ViewMapping::ScrollStep() const {
    const double pixels100 = 100 / Scale;
    const double step = std::nearbyint(pixels100);
    // From Scale 200 on the whole-unit step rounds to 0 and the arrows would stop moving;
    // there a step of exactly 100 pixels keeps them useful.
    if (step == 0 && std::isfinite(pixels100))
        return pixels100;
    return step;
}

MarkSizes MarkSizesFor(double scale) {
    // Capped so that absurd zooms (a fit of two points a micrometre apart) stay drawable.
    constexpr int kMaxSize = 1 << 24;
    constexpr int kMaxText = 1 << 15;
    MarkSizes m;
    m.offset = RoundPixel(1.2 * scale, kMaxSize);
    m.radius = RoundPixel(0.1 * scale, kMaxSize);
    m.textHeight = RoundPixel(0.6 * scale, kMaxText);
    return m;
}
