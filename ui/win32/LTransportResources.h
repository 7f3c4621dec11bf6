// Named ids of the transport dialog's controls and the names of its bitmap
// resources (each at 100 % and, with "_2x", at 200 %, drawn by
// ui/LTransportGlyphs and built from ui/win32/res).
#pragma once
#include <windows.h>

namespace sondrel {

// Control ids of the transport dialog (the main window and the record
// dialog place these in their templates).
constexpr int kIdcTimeDisplay = 103;
constexpr int kIdcLevelMeter = 104;
constexpr int kIdcWaveWindow = 105;
constexpr int kIdcPositionScroll = 106;
constexpr int kIdcPlayDevice = 107;
constexpr int kIdcPlayVolume = 108;
constexpr int kIdcPlay = 111;
constexpr int kIdcScrub = 112;
constexpr int kIdcStop = 113;
constexpr int kIdcGoStart = 114;
constexpr int kIdcRewind = 115;
constexpr int kIdcForward = 116;
constexpr int kIdcGoEnd = 117;
constexpr int kIdcFileName = 120;

// Codes a press-and-release button (Rewind, Forward) sends its parent.
constexpr WORD kButtonPressed = 16;
constexpr WORD kButtonReleased = 17;

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
    kBitmapCount
};

// "PlayBitmap", …, "LDBDisplayGreen", "LDBDisplayRed".
const char* TransportBitmapName(LTransportBitmap which);

// Loads the bitmap at the scale of the display that window is on (200 %
// from 192 dots per inch), mapping the grey face of button pictures to the
// system's face colour. Null when the resource is missing.
HBITMAP LoadTransportBitmap(HINSTANCE instance, LTransportBitmap which, HWND window);

}  // namespace sondrel
