// What the sound recorder tells its owner (the record dialog). Every call
// runs on the user-interface thread, from the public operation that caused
// it or from the recorder's hidden report window; param is the listener
// parameter the owner set.
//
// Order of calls:
//   Start     NotifyRecord (began in RECORDING) or NotifyWaiting, then
//             NotifyPosition(last loud)
//   each recorded buffer: NotifyPosition(last loud) then NotifyLevels
//             (several buffers may fold into one report), then
//             NotifyRecord / NotifyWaiting when the voice rule moved
//             between WAITING and RECORDING
//   Restart   NotifyWaiting, NotifyPosition(0); NotifyStop when the device
//             cannot be opened again
//   Stop      NotifyStop, also when the recorder stops itself: max time
//             reached, or the sink failed to take what was recorded. The
//             recorder's GetStopReason() tells which, during NotifyStop
//             and after it.
#pragma once
#include <cstdint>

#include "devices/LDeviceMath.h"

namespace sondrel {

class LSoundRecorderNotify {
public:
    virtual ~LSoundRecorderNotify() = default;
    virtual void NotifyRecord(uint32_t param) { (void)param; }
    virtual void NotifyWaiting(uint32_t param) { (void)param; }
    virtual void NotifyStop(uint32_t param) { (void)param; }
    virtual void NotifyPosition(uint32_t param, int32_t ms) {
        (void)param;
        (void)ms;
    }
    virtual void NotifyLevels(uint32_t param, const LChannelLevels& levels) {
        (void)param;
        (void)levels;
    }
};

}  // namespace sondrel
