#include "ui/win32/LTransportBitmaps.h"

#include <string>

#include "support/LResourceIds.h"

namespace sondrel {

const char* TransportBitmapName(LTransportBitmap which) {
    static const char* const names[kBitmapCount] = {IDB_PLAY,   IDB_SCRUB,   IDB_STOP,        IDB_START,    IDB_REWIND,
                                                     IDB_FORWARD, IDB_END, IDB_METER_GREEN, IDB_METER_RED, IDB_RETAKE};
    return (which >= 0 && which < kBitmapCount) ? names[which] : "";
}

HBITMAP LoadTransportBitmap(HINSTANCE instance, LTransportBitmap which, HWND window) {
    HDC dc = GetDC(window);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ReleaseDC(window, dc);
    std::string name = TransportBitmapName(which);
    // Meter patterns keep their colours; button pictures take the face colour.
    UINT flags = (which == kBitmapMeterGreen || which == kBitmapMeterRed) ? 0 : LR_LOADMAP3DCOLORS;
    HANDLE h = nullptr;
    if (dpi >= 192) h = LoadImageA(instance, (name + "_2x").c_str(), IMAGE_BITMAP, 0, 0, flags);
    if (!h) h = LoadImageA(instance, name.c_str(), IMAGE_BITMAP, 0, 0, flags);
    return static_cast<HBITMAP>(h);
}

}  // namespace sondrel
