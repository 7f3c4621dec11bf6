// The mixer lines of the wave devices: the record dialog lists and selects
// the inputs of a recording device and sets their level; the transport
// dialog sets the playback volume. Devices are wave-in or wave-out device
// numbers; a negative number stands for no device, and every operation
// then does nothing. Volumes are in dB. Failures end an operation quietly.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>

#include "devices/LMixerRules.h"

namespace sondrel {

// The mixer device that belongs to a wave device, through the Windows
// mixer functions. Valid() is false when the wave device has no mixer.
class LWinMixerDevice : public LMixerDevice {
public:
    LWinMixerDevice(int8_t waveDevice, bool waveIn);
    bool Valid() const { return bValid; }
    UINT MixerId() const { return nMixer; }

    bool GetDestination(uint32_t componentType, LMixerLine& line) override;
    bool GetSource(const LMixerLine& destination, uint32_t index, LMixerLine& line) override;
    bool GetSourceByType(uint32_t componentType, LMixerLine& line) override;
    bool GetControls(const LMixerLine& line, std::vector<LMixerControl>& controls) override;
    bool GetListLines(const LMixerControl& control, std::vector<uint32_t>& lineIds) override;
    void SetUnsigned(const LMixerControl& control, uint32_t value) override;
    void SetBoolean(const LMixerControl& control, bool value) override;
    void SetList(const LMixerControl& control, const std::vector<bool>& selected) override;

private:
    bool Line(MIXERLINEA& ml, DWORD how, LMixerLine& line);
    void SetDetails(const LMixerControl& control, DWORD items, void* details, DWORD size);

    UINT nMixer = 0;
    bool bValid = false;
};

class LMixer {
public:
    static int32_t GetInputChannelCount(int8_t recordDevice);
    // channel -1 gives "Windows Record Mixer"; name holds kMixerNameChars.
    static void GetInputChannelName(int8_t recordDevice, int32_t channel, char* name);
    static void SetInputChannel(int8_t recordDevice, int32_t channel, int32_t dB);
    static int32_t GetOutChannelAuxCount(int8_t playDevice);
    static void GetOutChannelAuxName(int8_t playDevice, int32_t channel, char* name);
    static void SetOutChannelAuxVolume(int8_t playDevice, int32_t channel, int32_t dB);
    static void SetOutputVolume(int8_t playDevice, int32_t offsetDb, int32_t dB);
};

}  // namespace sondrel
