// The transport dialog's rules without the dialog: which buttons show
// checked for a player state, which mode a scan resumes, the time-stretch
// factors of the scans, the scroll bar's arithmetic and what showing a
// position asks of the wave window.
#pragma once
#include <cstdint>

namespace sondrel {

// The player's state flags that matter here (as the player reports them).
constexpr uint16_t kPlayerOpen = 0x01;
constexpr uint16_t kPlayerCueing = 0x04;

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
