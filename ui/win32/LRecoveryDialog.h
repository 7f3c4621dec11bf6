// The start-up prompt "Recover Documents": lists what a run that ended
// abnormally left (name, length, when last changed, whether it can be
// recovered) and asks whether to recover the documents or discard them.
// Discard is confirmed first, since what it deletes cannot come back; closing
// the prompt recovers, so that nothing is lost by a hasty Escape. When
// nothing can be recovered the prompt only reports: its one button is "OK".
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/LRecoveryPrompt.h"

namespace sondrel {

LRecoveryChoice RunRecoveryDialog(HWND owner, const LRecoveryPrompt& prompt);

// The user's local date and time of seconds since 1970 (UTC), in the
// system's short date and time formats.
std::string FormatLocalTimeWin32(int64_t seconds);

}  // namespace sondrel
