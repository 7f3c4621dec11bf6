// What the sound player tells its owner (the transport dialog, and through
// it the main window). Every call runs on the user-interface thread, from
// the public operation that caused it or from the player's hidden report
// window; param is the listener parameter the owner set.
//
// Order of calls:
//   Start            NotifyPlay (or NotifyPause when started paused), then
//                    NotifyPosition(start)
//   while playing    NotifyPosition(ms) then NotifyLevels for each returned
//                    device buffer (several may fold into one report)
//   Pause / Play     NotifyPause / NotifyPlay
//   Seek             NotifyPosition(new position)
//   Cue              NotifyLevels(snippet), NotifyCue, NotifyPosition
//   end of the source, or a device that stops returning buffers:
//                    NotifyPosition(length of the source), then NotifyStop
//   Stop             NotifyStop (also from the destructor)
#pragma once
#include <cstdint>

#include "devices/LDeviceMath.h"

namespace sondrel {

class LSoundPlayerNotify {
public:
    virtual ~LSoundPlayerNotify() = default;
    virtual void NotifyPlay(uint32_t param) { (void)param; }
    virtual void NotifyStop(uint32_t param) { (void)param; }
    virtual void NotifyCue(uint32_t param) { (void)param; }
    virtual void NotifyPause(uint32_t param) { (void)param; }
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
