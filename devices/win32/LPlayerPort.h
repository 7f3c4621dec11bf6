// The wave-out player (LSoundPlayer) behind the portable player interface.
#pragma once
#include <memory>

#include "devices/LPlayer.h"

namespace sondrel {

// A player on wave-out device 0 (SetDevice changes it), reporting to nobody
// until a listener is set.
std::unique_ptr<LPlayer> CreatePlayer();

}  // namespace sondrel
