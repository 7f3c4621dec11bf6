// The record dialog as the main window's Record command opens it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace sondrel {

class LCutListAudio;

// Runs the record dialog modally over owner for a document of this rate,
// channel count and display name. Returns 1 when it closed after
// recording (recorded then holds the take, at that rate and channel
// count), 2 when the user asked to record the next file, 0 when nothing
// was recorded.
int RunRecordDialog(HWND owner, int32_t rate, uint8_t chans, const std::string& name, LCutListAudio& recorded);

}  // namespace sondrel
