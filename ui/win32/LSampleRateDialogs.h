// The three dialogs that ask for a sample rate: "New File" (or "Set
// Defaults") with the channel count, "Convert Sample Rate" and "Vox Files
// Sample Rate". Each refuses rates outside 6000..96000.
#pragma once
#include <windows.h>

#include <cstdint>

namespace sondrel {

// setDefaults: caption "Set Defaults" and the "Default..." keys instead of
// "New File" and the "Selected..." keys. True when OK stored the values.
bool RunNewFileDialog(HWND owner, bool setDefaults);
// Stores "VoxSelectedSampleRate"; true on OK.
bool RunVoxSampleRateDialog(HWND owner);
// rate in: the current rate; out: the chosen one. True on OK.
bool RunConvertSampleRateDialog(HWND owner, int32_t& rate);

}  // namespace sondrel
