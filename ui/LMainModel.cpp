#include "ui/LMainModel.h"

#include <algorithm>

#include "document/LDocuments.h"
#include "support/LResourceIds.h"
#include "support/LSettings.h"
#include "ui/LMainCommands.h"

namespace sondrel {

int32_t MinZoomMs(int32_t rate) {
    if (rate <= 0) return 1;
    return int32_t((100 * 1000 + int64_t(rate) - 1) / rate);
}

LMsView ZoomIn(LMsView view, int32_t positionMs, int32_t rate) {
    int32_t width = std::max(int32_t((view.end - view.start) * 0.5), MinZoomMs(rate));
    int32_t start = std::max(int32_t(positionMs - width * 0.5), 0);
    return {start, start + width};
}

LMsView ZoomOut(LMsView view, int32_t lengthMs) {
    int32_t width = int32_t(std::min((view.end - view.start) * 2.0, double(std::max(lengthMs, 0))));
    int32_t start = std::max(int32_t(view.start - width * 0.25), 0);
    // A view near the end keeps its full width inside the file.
    start = std::max(std::min(start, lengthMs - width), 0);
    return {start, start + width};
}

LMsView FollowPosition(LMsView view, int32_t positionMs) {
    int32_t width = view.end - view.start;
    if (positionMs > view.end) return {positionMs - width, positionMs};
    if (positionMs < view.start) return {positionMs, positionMs + width};
    return view;
}

LMsView WheelScroll(LMsView view, int32_t notches, int32_t lengthMs) {
    int32_t width = view.end - view.start;
    int64_t start = view.start + int64_t(notches) * std::max(width / 8, 1);
    start = std::min<int64_t>(start, int64_t(lengthMs) - width);
    start = std::max<int64_t>(start, 0);
    return {int32_t(start), int32_t(start) + width};
}

int32_t ScrollPosition(int32_t positionMs, int32_t lengthMs) {
    if (lengthMs <= 0) return 0;
    return int32_t(std::clamp(int64_t(positionMs) * 201 / lengthMs, int64_t(0), int64_t(200)));
}

LPlacement FitPlacement(LPlacement p, LPlacement desk) {
    // A damaged value must not make a window too small to find.
    p.width = std::clamp(p.width, std::min(kMinWindowWidth, desk.width), std::max(desk.width, 1));
    p.height = std::clamp(p.height, std::min(kMinWindowHeight, desk.height), std::max(desk.height, 1));
    p.x = std::clamp(p.x, desk.x, desk.x + desk.width - p.width);
    p.y = std::clamp(p.y, desk.y, desk.y + desk.height - p.height);
    return p;
}

LPlacement ReadPlacement(bool& maximized) {
    LPlacement d;
    maximized = ReadBool("Settings", "WindowMaximized", true);
    return {ReadInt("Settings", "WindowX", d.x), ReadInt("Settings", "WindowY", d.y),
            ReadInt("Settings", "WindowWidth", d.width), ReadInt("Settings", "WindowHeight", d.height)};
}

void StorePlacement(LPlacement p, bool maximized, int32_t desktopWidth) {
    WriteInt("Settings", "WindowX", p.x);
    WriteInt("Settings", "WindowY", p.y);
    WriteInt("Settings", "WindowWidth", std::min(p.width, desktopWidth));
    WriteInt("Settings", "WindowHeight", p.height);
    WriteBool("Settings", "WindowMaximized", maximized);
}

std::vector<LMenuEntry> WindowMenu(const LDocuments& docs, int& checkedId) {
    std::vector<LMenuEntry> items;
    checkedId = 0;
    for (int n = 0; n < docs.GetNoFiles() && IDM_WINDOW_FIRST + n <= IDM_WINDOW_LAST; ++n) {
        const LSDFile* d = docs.At(n);
        int id = IDM_WINDOW_FIRST + n;
        items.push_back({id, "&" + std::to_string(n + 1) + ". " + MenuEscape(d->MenuName())});
        if (d == docs.Current()) checkedId = id;
    }
    return items;
}

namespace {

// Sondrel's own keys and features, one every eight seconds; short enough
// for the status bar's message part (ten times its height wide).
const char* const kStatusMessages[kStatusMessageCount] = {
    "Sondrel v 1.00",
    "Space scrubs; Space again plays on.",
    "Hold Left or Right to scan the sound.",
    "Shift+Home or End selects to an end.",
    "Ctrl+Shift+V shows soft sound larger.",
    "Drag past an edge to scan and select.",
    "Play with a selection plays just it.",
    "F10 / F11 / F12: normal, slow, fast.",
    "Ctrl+Z undoes up to eight edits.",
    "Paste Mix mixes over the selection.",
    "Ctrl+wheel zooms; the wheel scrolls.",
    "Drop audio files here to open them.",
    "Copy To New makes a file of it.",
    "Auto Trim cuts silent ends away.",
    "Click here for Sondrel's manual.",
};

struct LTip {
    int nId;
    const char* szText;
};

// The controls that are not buttons of the command table.
constexpr LTip kControlTips[] = {
    {IDC_VOLUME, "Volume"},
    {IDC_OVERVIEW, "Full Length Waveform Display"},
    {IDC_WAVE, "Waveform Display"},
    {IDC_SELECTION_START, "Selected Region Start"},
    {IDC_SELECTION_END, "Selected Region End"},
    {IDC_SELECTION_LENGTH, "Selected Region Length"},
    {IDC_CURRENT_TIME, "Current Time"},
    {IDC_STATUS, "Click to view Ketterly Internet Resources"},
};

}  // namespace

const char* StatusMessage(int n) { return kStatusMessages[((n % kStatusMessageCount) + kStatusMessageCount) % kStatusMessageCount]; }

const char* ControlTooltip(int control) {
    for (const LTip& t : kControlTips)
        if (t.nId == control) return t.szText;
    const LMainCommand* c = FindMainCommand(control);
    return c && c->nToolbarImage < 0 ? c->szTip : nullptr;
}

}  // namespace sondrel
