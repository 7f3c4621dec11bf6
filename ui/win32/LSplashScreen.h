// The splash screen: a popup of class "LSplashScreen" owned by the main
// window, the size of bitmap 1 plus 4 pixels across and 88 down, centred on
// the desktop. It shows the bitmap and, below it, the program's name, its
// version and who distributes it; it closes itself after seven seconds or
// at a left click, and goes with its owner.
#pragma once
#include <windows.h>

namespace sondrel {

extern const char kSplashScreenClass[];  // "LSplashScreen"
constexpr UINT kSplashScreenMs = 7000;

bool RegisterSplashScreenClass(HINSTANCE instance);
// Shows it over owner; null when it cannot be made.
HWND ShowSplashScreen(HINSTANCE instance, HWND owner);

}  // namespace sondrel
