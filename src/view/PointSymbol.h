#pragma once

#include <array>
#include <cstddef>
#include <string_view>

// How a point shows in the plan view and on a plot: a dot, and right of it up to three
// labels, the ID above, the code level with the point and the height below.

// The plan's layers in the order the layer list shows them. The API numbers them from 1
// (LayerVisible(1) is the dots).
enum class TPointLayer : int { Dots = 1, Ids, Codes, Heights, Lines };
inline constexpr int kPointLayerCount = 5;

// Which layers are shown, in layer order: {dots, IDs, codes, heights, lines}.
using TPointLayers = std::array<bool, kPointLayerCount>;

constexpr size_t LayerIndex(TPointLayer layer) { return static_cast<size_t>(layer) - 1; }
constexpr bool Shows(const TPointLayers& layers, TPointLayer layer) {
    return layers[LayerIndex(layer)];
}

// Where the labels of a point at (X, Y) go: each label's top-left corner is `Offset` right of
// the point, the ID's `Offset` above it, the code's level with it, the height's `Offset`
// below. The caller's units, y growing downward: pixels in the view, device units of
// millimetres on a plot.
template <class T>
struct TPointSymbol {
    T X;
    T Y;
    T Offset;

    T LabelLeft() const { return X + Offset; }
    T IdTop() const { return Y - Offset; }
    T CodeTop() const { return Y; }
    T HeightTop() const { return Y + Offset; }
};

// The height label: four decimals, locale-free, "-0.0000" kept for a small negative height.
// The text lives in this object until the next call.
class THeightText {
public:
    // Empty only if the number could not be written, which no double reaches.
    std::string_view operator()(double z);

private:
    char m_text[400] = {}; // the widest double in fixed form fits
};
