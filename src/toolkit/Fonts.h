#pragma once

// Families named by the windows of the original layout, resolved through explicit
// fallback lists: fontconfig would match "GulimChe" with a font that has no Hangul.
namespace Fonts {

inline constexpr const char* kUiFamily = "Tahoma";
inline constexpr const char* kLabelFamily = "굴림체";

void InstallSubstitutions();

} // namespace Fonts
