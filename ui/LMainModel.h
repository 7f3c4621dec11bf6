// The main window's arithmetic without the window: zoom, the view following
// the position, the scroll bar, the stored placement fitted to the desktop,
// the Window menu's entries, the status bar's cycle of messages and what the
// keys mean.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ui/LRecentFiles.h"

namespace sondrel {

class LDocuments;

// A stretch of a document in milliseconds.
struct LMsView {
    int32_t start = 0;
    int32_t end = 0;
    friend bool operator==(const LMsView&, const LMsView&) = default;
};

// The narrowest zoom: 100 frames at rate, in whole milliseconds rounded up
// so that the view never holds fewer.
int32_t MinZoomMs(int32_t rate);
// Half the width (at least MinZoomMs) centred on the position, not before 0.
LMsView ZoomIn(LMsView view, int32_t positionMs, int32_t rate);
// Twice the width, at most the file's length, a quarter of it before the old
// start, kept within the file.
LMsView ZoomOut(LMsView view, int32_t lengthMs);
// The view after the position moved: a position past its end puts the end
// there, one before its start puts the start there; the width stays.
LMsView FollowPosition(LMsView view, int32_t positionMs);
// The view moved by notches of the mouse wheel (an eighth of its width
// each, positive towards the end), kept within the file.
LMsView WheelScroll(LMsView view, int32_t notches, int32_t lengthMs);

// The scroll bar's position (0..200) for a position in a file of a length.
int32_t ScrollPosition(int32_t positionMs, int32_t lengthMs);
// Window placement in pixels.
struct LPlacement {
    int32_t x = 188, y = 77, width = 740, height = 627;
    friend bool operator==(const LPlacement&, const LPlacement&) = default;
};
// The stored rectangle made to fit the desktop: width and height first
// (at most the desktop's, at least the smallest usable window), then the
// position (inside it).
constexpr int32_t kMinWindowWidth = 320, kMinWindowHeight = 240;
LPlacement FitPlacement(LPlacement stored, LPlacement desktop);
// "WindowX", "WindowY", "WindowWidth", "WindowHeight" (defaults 188, 77,
// 740, 627) and "WindowMaximized" (default on) of section "Settings".
LPlacement ReadPlacement(bool& maximized);
// Stores the window's normal rectangle (the width at most the desktop's)
// and whether it is maximised.
void StorePlacement(LPlacement p, bool maximized, int32_t desktopWidth);

// The Window menu: "&%d. %s" per open document (full path or "Untitled %d"),
// ids from 5007, at most 20. checkedId is the current document's, or 0.
std::vector<LMenuEntry> WindowMenu(const LDocuments& docs, int& checkedId);

// The status bar's cycle.
constexpr int kStatusMessageCount = 15;
const char* StatusMessage(int n);  // n in 0..14
constexpr int32_t kStatusFirstMs = 500, kStatusCycleMs = 8000, kStatusHintMs = 5000, kStatusMenuClosedMs = 100;

// The tooltip of a control of the main window: the time fields, the waves,
// the volume and the status bar, and the buttons of the command table. The
// toolbar's tips are their commands' (LMainCommands.h).
const char* ControlTooltip(int control);

}  // namespace sondrel
