// The sound player as the windows see it. The main window, the transport
// and record dialogs and the effect dialogs' preview all play through this
// one interface; devices/win32/LPlayerPort adapts the wave-out player
// (LSoundPlayer) to it, and the tests give doubles. The player's reports
// reach one listener, on the user-interface thread, in the order
// devices/LSoundPlayerNotify.h gives.
#pragma once
#include <cstdint>

#include "core/LSoundStream.h"

namespace sondrel {

// The state flags the windows read (those of the sound player).
constexpr uint16_t kPlayerOpen = 0x01;
constexpr uint16_t kPlayerCueing = 0x04;

class LPlayerListener {
public:
    virtual ~LPlayerListener() = default;
    // Started, stopped, cueing or paused: the player's state is now state.
    virtual void PlayerState(uint16_t state) = 0;
    virtual void PlayerPosition(int32_t ms) = 0;
    virtual void PlayerLevels(const int8_t* levels, int32_t count) = 0;
};

class LPlayer {
public:
    virtual ~LPlayer() = default;
    // Plays the source from its current position; false: nothing plays.
    virtual bool Start(const LSoundSourcePtr& source) = 0;
    virtual void Stop() = 0;
    // On from a pause or from the cue snippet.
    virtual void Play() = 0;
    // Loops a short snippet at the position (scrubbing) until Play.
    virtual void Cue() = 0;
    // Jumps to a position of the source, in frames.
    virtual void Seek(int32_t frame) = 0;
    virtual uint16_t State() = 0;
    // The wave-out device used from the next Start.
    virtual void SetDevice(int8_t device) = 0;
    // Where the reports go; null: nowhere.
    virtual void SetListener(LPlayerListener* listener) = 0;
};

}  // namespace sondrel
