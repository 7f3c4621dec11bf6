// The level meter and the decibel slider: window classes "LDBDisplay" and
// "LDBEdit", registered once per process and placed by dialog templates
// (CONTROL "", id, "LDBDisplay", WS_CHILD | WS_VISIBLE [| 0x1000 for a
// white edge below and right], x, y, w, h).
//
// LDBDisplay: horizontal bars in decibels from -36 to +12 dB, green up to
// 0 dB and red above, one bar per channel (at most eight). Its state lives
// in its 34 window bytes: bar count (word at 0), one level per bar (words
// at 2..16), the green and red bitmaps (18, 22) and their pattern brushes
// (26, 30). An owner calls DBDisplaySetLevel (one bar) or
// DBDisplaySetLevels (a channel levels record); -127 draws an empty bar.
// Disabled, or with no bars, it is grey. There is no peak hold.
//
// LDBEdit: a slider with a small edit field for a value in dB. State in its
// 12 window bytes: value (word at 0), maximum (2, default 12), minimum (4,
// default -36), child edit window (8; control id IDC_DBEDIT_TEXT). Messages:
//   WM_USER     (0x400) set the value (lParam), clamped; no notification
//   WM_USER + 1 (0x401) returns the value
//   WM_USER + 2 (0x402) set the range: maximum = lParam, minimum = wParam
// Every change by the mouse or by typing posts WM_COMMAND to the parent:
// low word of wParam = the control id, high word = 0x300 (EN_CHANGE).
#pragma once
#include <windows.h>

#include <cstdint>

namespace sondrel {

extern const char kDBDisplayClass[];  // "LDBDisplay"
extern const char kDBEditClass[];     // "LDBEdit"

constexpr UINT kDBEditSetValue = WM_USER;
constexpr UINT kDBEditGetValue = WM_USER + 1;
constexpr UINT kDBEditSetRange = WM_USER + 2;
constexpr LONG kDBDisplayWhiteEdge = 0x1000;  // window style bit

bool RegisterMeterClasses(HINSTANCE instance);

void DBDisplaySetLevel(HWND meter, int32_t dB);
// count levels of a channel levels record (more than eight show eight).
void DBDisplaySetLevels(HWND meter, const int8_t* levels, int32_t count);
// Bar count and one level (for owners and tests).
int32_t DBDisplayBars(HWND meter);
int32_t DBDisplayLevel(HWND meter, int32_t bar);

}  // namespace sondrel
