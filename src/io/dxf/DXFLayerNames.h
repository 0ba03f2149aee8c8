#pragma once

#include <string>
#include <vector>

// Layer names of the CAD drawing. Names are UTF-8 here; the writer stores them as CP949.
namespace DxfLayerNames {

// The labels' own layers.
inline constexpr const char* kIdLayer = "PT_ID";
inline constexpr const char* kCodeLayer = "PT_CODE";
inline constexpr const char* kHeightLayer = "PT_Z";
// The layer of the points without a code.
inline constexpr const char* kNoCodeLayer = "코드없음";

// One layer name per code, in the same order. A name keeps the code as far as CAD
// programs accept it (Korean included): characters they refuse in a name (< > / \ " : ; ? *
// | , = `, control characters, characters the code page has no place for) become "_", as
// do blanks at either end; the empty code gets kNoCodeLayer. Names are unique ignoring the
// case of A-Z, and differ from layer 0, DEFPOINTS (which never plots) and the label
// layers: a name already taken gets "_2", "_3", ... appended.
std::vector<std::string> ForCodes(const std::vector<std::string>& codes);

} // namespace DxfLayerNames
