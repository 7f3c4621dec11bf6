#include "ui/LTransportModel.h"

#include <algorithm>

#include "core/LSoundTime.h"
#include "effects/LSRCTimeStretch.h"

namespace sondrel {

LTransportMode ModeOf(uint16_t state) {
    if (!(state & kPlayerOpen)) return kModeStopped;
    return (state & kPlayerCueing) ? kModeScrubbing : kModePlaying;
}

LTransportChecks ChecksOf(uint16_t state) {
    LTransportChecks c;
    bool open = (state & kPlayerOpen) != 0, cueing = (state & kPlayerCueing) != 0;
    c.bPlay = open && !cueing;
    c.bScrub = open && cueing;
    c.bStop = !open;
    return c;
}

LScanSpeed ScanSpeed(bool forward, LTransportMode before) {
    bool scrub = before == kModeScrubbing;
    if (forward) return scrub ? LScanSpeed{0.1, 3.0} : LScanSpeed{1.5, 7.0};
    return scrub ? LScanSpeed{-0.1, -3.0} : LScanSpeed{-0.5, -7.0};
}

LSoundSourcePtr ScanSource(const LSoundSourcePtr& source, LScanSpeed speed) {
    return LSPTimeStretch(speed.dFactor, speed.dTarget, kScanRampMs).OpenSource(source);
}

LScanSpeed LScans::Begin(bool forward, uint16_t playerState) {
    eBefore = ModeOf(playerState);
    return ScanSpeed(forward, eBefore);
}

LTransportMode LScans::End() {
    const LTransportMode before = Any() ? eBefore : kModeStopped;
    bBack = bFwd = false;
    eBefore = kModeStopped;
    return before;
}

bool ScrollTarget(int32_t request, int32_t thumb, int32_t pos, int32_t length, int32_t& target) {
    switch (request) {
        case kScrollLineLeft:
        case kScrollPageLeft: target = std::max(pos - 2000, 0); return true;
        case kScrollLineRight:
        case kScrollPageRight: target = pos + 2000; return true;
        case kScrollThumbPosition:
        case kScrollThumbTrack: target = int32_t(double(thumb) * 0.005 * double(length)); return true;
        case kScrollTop: target = 0; return true;
        case kScrollBottom: target = length; return true;
        default: return false;
    }
}

LShownPosition ShowPosition(int32_t positionMs, int32_t lengthMs, int32_t rate, bool scrubbing) {
    LShownPosition s;
    s.nMs = std::max(positionMs, 0);
    s.nScroll = lengthMs < 1 ? 0 : int32_t(double(s.nMs) / double(lengthMs) * (kScrollRange + 1));
    s.nCursor = LSoundTime(s.nMs).GetSamples(rate);
    s.nCursorLength = scrubbing ? LSoundTime(25).GetSamples(rate) : 0;
    s.nViewStart = std::max(s.nCursor - rate, 0);
    s.nViewLength = 2 * rate;
    return s;
}

}  // namespace sondrel
