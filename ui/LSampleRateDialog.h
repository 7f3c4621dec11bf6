// The three dialogs that ask for a sample rate, on the dialog frame of
// LDialogModel: "New File" (also opened as "Set Defaults" from the settings)
// with the channel count, "Convert Sample Rate" and "Vox Files Sample Rate".
// Combo box 101 offers the usual rates and its edit shows the current one;
// any whole number may be typed, and OK accepts 6000..96000 (otherwise
// "Sample rates must be between 6000 and 96000 samples per second.",
// caption "Error", stop icon, and the dialog stays open).
#pragma once
#include <cstdint>

#include "ui/LDialogModel.h"

namespace sondrel {

enum class LSampleRateDialogKind : uint8_t {
    kNewFile,      // "New File": "SelectedSampleRate" and "SelectedChannels" of "Settings"
    kSetDefaults,  // "Set Defaults": "DefaultSampleRate" and "DefaultChannels"
    kConvert,      // "Convert Sample Rate": the caller's rate
    kVox,          // "Vox Files Sample Rate": "VoxSelectedSampleRate"
};

class LSDSampleRateDialog : public LSDDialog {
public:
    // rate: kConvert's rate, shown and, on OK, replaced; unused otherwise.
    explicit LSDSampleRateDialog(LSampleRateDialogKind kind, int32_t* rate = nullptr);

    void InitDialog() override;
    bool CmOk() override;

    int32_t Rate() const { return nRate; }
    int32_t Channels() const { return nChans; }

private:
    LSampleRateDialogKind kind;
    int32_t* pRate;
    int32_t nRate = 44100;
    int32_t nChans = 1;
};

}  // namespace sondrel
