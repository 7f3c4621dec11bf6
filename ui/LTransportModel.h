// The transport's rules without a window, shared by the main window and the
// transport dialog: which buttons show checked for a player state, the
// Rewind and Forward scans (which runs, their time-stretch factors, the
// mode they resume), the scroll bar's arithmetic and what showing a position
// asks of the wave window.
#pragma once
#include <cstdint>

#include "core/LSoundStream.h"
#include "devices/LPlayer.h"

namespace sondrel {

// What a press-and-hold button (Rewind, Forward) tells its window, besides
// a click: pressed and let go.
enum LButtonNotify : int { kButtonPressed = 16, kButtonReleased = 17 };

// Mode in force before a scan: 0 stopped, 1 scrubbing, 2 playing.
enum LTransportMode : int32_t { kModeStopped = 0, kModeScrubbing = 1, kModePlaying = 2 };

LTransportMode ModeOf(uint16_t playerState);

struct LTransportChecks {
    bool bPlay = false;   // open and not cueing
    bool bScrub = false;  // cueing
    bool bStop = true;    // closed
};
LTransportChecks ChecksOf(uint16_t playerState);

// Speed at the start of a scan and the speed it ramps to over 8 seconds;
// negative plays backwards.
struct LScanSpeed {
    double dFactor;
    double dTarget;
};
constexpr int32_t kScanRampMs = 8000;
LScanSpeed ScanSpeed(bool forward, LTransportMode before);
// What a scan plays: the source, from its position, through the time
// stretch ramping from the first factor to the second.
LSoundSourcePtr ScanSource(const LSoundSourcePtr& source, LScanSpeed speed);

// The Rewind and Forward buttons held: which scan runs and the mode to
// resume when it is let go.
class LScans {
public:
    bool Running(bool forward) const { return forward ? bFwd : bBack; }
    bool Any() const { return bBack || bFwd; }
    // A scan begins from the player's state: the mode before it is kept,
    // and the speeds it plays at come back.
    LScanSpeed Begin(bool forward, uint16_t playerState);
    // The scan's player started.
    void Started(bool forward) { (forward ? bFwd : bBack) = true; }
    // The scans end (or are dropped): the mode to resume, stopped when none ran.
    LTransportMode End();
    LTransportMode Before() const { return eBefore; }

private:
    bool bBack = false, bFwd = false;
    LTransportMode eBefore = kModeStopped;
};

// Scroll bar requests (the SB_ codes of WM_HSCROLL).
enum LScrollRequest : int32_t {
    kScrollLineLeft = 0,
    kScrollLineRight = 1,
    kScrollPageLeft = 2,
    kScrollPageRight = 3,
    kScrollThumbPosition = 4,
    kScrollThumbTrack = 5,
    kScrollTop = 6,
    kScrollBottom = 7,
};
constexpr int32_t kScrollRange = 200;
// The new position in ms; false for requests that move nothing.
bool ScrollTarget(int32_t request, int32_t thumb, int32_t positionMs, int32_t lengthMs, int32_t& targetMs);

// What showing a position does besides the time text.
struct LShownPosition {
    int32_t nMs;          // the position shown (negative becomes 0)
    int32_t nScroll;      // scroll bar position
    int32_t nCursor;      // wave window cursor, samples
    int32_t nCursorLength;  // 25 ms while scrubbing, else 0
    int32_t nViewStart;   // the two-second view: one second before the position
    int32_t nViewLength;
};
LShownPosition ShowPosition(int32_t positionMs, int32_t lengthMs, int32_t rate, bool scrubbing);

}  // namespace sondrel
