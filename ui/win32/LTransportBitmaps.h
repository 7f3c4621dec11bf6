// The bitmaps of the transport buttons and the level meter: their resource
// names (IDB_ in resource.h; each at 100 % and, with "_2x", at 200 %, drawn
// by ui/LTransportGlyphs and built from ui/win32/res) and their loading at
// the scale of the display.
#pragma once
#include <windows.h>

namespace sondrel {

enum LTransportBitmap {
    kBitmapPlay,
    kBitmapScrub,
    kBitmapStop,
    kBitmapStart,
    kBitmapRewind,
    kBitmapForward,
    kBitmapEnd,
    kBitmapMeterGreen,
    kBitmapMeterRed,
    kBitmapRetake,
    kBitmapCount
};

// "PlayBitmap", …, "LDBDisplayGreen", "LDBDisplayRed", "RetakeBitmap".
const char* TransportBitmapName(LTransportBitmap which);

// Loads the bitmap at the scale of the display that window is on (200 %
// from 192 dots per inch), mapping the grey face of button pictures to the
// system's face colour. Null when the resource is missing.
HBITMAP LoadTransportBitmap(HINSTANCE instance, LTransportBitmap which, HWND window);

}  // namespace sondrel
