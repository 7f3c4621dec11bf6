// The mixer's rules without the Windows mixer: the level a volume in dB
// maps to, the dB a typed text means, and what selecting a record input or
// setting a playback volume does to the lines and controls of one mixer
// device. LMixerDevice is the small view of a mixer device the rules need;
// the Windows build implements it over the mixer functions (LMixer), the
// tests over a mixer of their own making.
#pragma once
#include <cstdint>
#include <vector>

namespace sondrel {

// Windows mixer line component types and control types.
constexpr uint32_t kMixerDstSpeakers = 4;
constexpr uint32_t kMixerDstWaveIn = 7;
constexpr uint32_t kMixerSrcWaveOut = 0x1008;
constexpr uint32_t kMixerCtlFader = 0x50030000;
constexpr uint32_t kMixerCtlVolume = 0x50030001;
constexpr uint32_t kMixerCtlOnOff = 0x20010001;
constexpr uint32_t kMixerCtlMute = 0x20010002;
constexpr uint32_t kMixerCtlMux = 0x70010001;
constexpr uint32_t kMixerCtlMixer = 0x71010001;

constexpr int32_t kMaxMixerChannels = 127;
constexpr int32_t kMixerNameChars = 32;  // 31 and the terminator
// The first entry of the record input list: the inputs as the system mixer has them.
extern const char kWindowsRecordMixer[];

// 0 for -36 dB and below, else (dB + 36) * 1424 capped at 65535: 0 dB is
// 51264, +11 dB and more the cap.
uint32_t MixerLevel(int32_t dB);
// A dB edit field's text: '-' makes the value negative (a second '-' makes
// its magnitude 127), digits append to the magnitude, everything else is
// ignored; clamped to -127..127.
int32_t TextToDB(const char* text);

struct LMixerLine {
    uint32_t nDestination = 0;  // index of the destination (of itself, for a destination)
    uint32_t nSource = 0;       // index among the destination's sources
    uint32_t dwLineID = 0;
    uint32_t dwComponentType = 0;
    uint32_t nConnections = 0;  // sources of a destination
    uint32_t nControls = 0;
    char szShortName[16] = {};
};

struct LMixerControl {
    uint32_t dwControlID = 0;
    uint32_t dwControlType = 0;
    uint32_t nMultipleItems = 0;  // items of a list control
};

class LMixerDevice {
public:
    virtual ~LMixerDevice() = default;
    // The destination line of a component type.
    virtual bool GetDestination(uint32_t componentType, LMixerLine& line) = 0;
    // Source line `index` of a destination.
    virtual bool GetSource(const LMixerLine& destination, uint32_t index, LMixerLine& line) = 0;
    // A source line found by its component type.
    virtual bool GetSourceByType(uint32_t componentType, LMixerLine& line) = 0;
    virtual bool GetControls(const LMixerLine& line, std::vector<LMixerControl>& controls) = 0;
    // The line identifiers of a list control's items, in item order.
    virtual bool GetListLines(const LMixerControl& control, std::vector<uint32_t>& lineIds) = 0;
    // Each control is set as one uniform channel.
    virtual void SetUnsigned(const LMixerControl& control, uint32_t value) = 0;
    virtual void SetBoolean(const LMixerControl& control, bool value) = 0;
    virtual void SetList(const LMixerControl& control, const std::vector<bool>& selected) = 0;
};

// The operations of the mixer on one device. Failures end an operation
// quietly; counts and names read as 0 and empty.
namespace LMixerRules {

int32_t GetInputChannelCount(LMixerDevice& mixer);
// channel -1 is kWindowsRecordMixer; name holds kMixerNameChars.
void GetInputChannelName(LMixerDevice& mixer, int32_t channel, char* name);
// Selects record input `channel` (nothing for a negative one) at dB: the
// destination's volume, mute, switch and selection, then every input's
// volume and mute (the chosen one at the level and unmuted, the others at 0
// and muted).
void SetInputChannel(LMixerDevice& mixer, int32_t channel, int32_t dB);
int32_t GetOutChannelAuxCount(LMixerDevice& mixer);
void GetOutChannelAuxName(LMixerDevice& mixer, int32_t channel, char* name);
void SetOutChannelAuxVolume(LMixerDevice& mixer, int32_t channel, int32_t dB);
// The speakers at dB and the wave output at dB + offset, both unmuted.
void SetOutputVolume(LMixerDevice& mixer, int32_t offsetDb, int32_t dB);

}  // namespace LMixerRules

}  // namespace sondrel
