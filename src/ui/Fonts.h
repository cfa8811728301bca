// The program's fonts. It asks for "MS Gothic" / "ＭＳ ゴシック", whose half-width characters are
// exactly half as wide as the full-width ones, so the list's columns line up. On this platform
// both names are substituted by IPAGothic (without it they would fall back to a proportional font
// that draws "─" narrow and breaks the columns).
#pragma once

#include <QFont>

namespace kelvantori {

inline constexpr const char* kGothicFamily = "ＭＳ ゴシック";

// Installs the substitutions; call once after the application object exists.
void InstallFontSubstitutions();

// The gothic font at a pixel size (the list: 16, the text area: 11).
QFont GothicFont(int pixelSize);

}  // namespace kelvantori
