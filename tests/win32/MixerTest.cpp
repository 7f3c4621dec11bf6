// The mixer on Wine's mixers: what is set reads back through the mixer
// functions. (Wine stores the destinations' volume and mute; its source
// lines accept values but keep none, so the per-input rules are checked
// natively over a mixer of the tests' own.)
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <cstring>
#include <string>

#include "devices/win32/LMixer.h"

using namespace sondrel;

namespace {

// Reads the control of `type` on the line of `componentType` of the mixer
// that belongs to wave device 0; -1 when there is none.
long ReadControl(bool waveIn, uint32_t componentType, uint32_t type) {
    LWinMixerDevice m(0, waveIn);
    LMixerLine line;
    std::vector<LMixerControl> controls;
    if (!m.Valid() || !m.GetDestination(componentType, line) || !m.GetControls(line, controls)) return -1;
    for (const LMixerControl& c : controls) {
        if (c.dwControlType != type) continue;
        MIXERCONTROLDETAILS d;
        ZeroMemory(&d, sizeof d);
        d.cbStruct = sizeof d;
        d.dwControlID = c.dwControlID;
        d.cChannels = 1;
        DWORD value = 0;  // UNSIGNED and BOOLEAN have the same layout
        d.cbDetails = sizeof value;
        d.paDetails = &value;
        HMIXEROBJ obj = reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(m.MixerId()));
        if (mixerGetControlDetailsA(obj, &d, MIXER_OBJECTF_MIXER | MIXER_GETCONTROLDETAILSF_VALUE) != 0) return -1;
        return long(value);
    }
    return -1;
}

void WriteBoolean(bool waveIn, uint32_t componentType, uint32_t type, bool value) {
    LWinMixerDevice m(0, waveIn);
    LMixerLine line;
    std::vector<LMixerControl> controls;
    ASSERT_TRUE(m.GetDestination(componentType, line) && m.GetControls(line, controls));
    for (const LMixerControl& c : controls)
        if (c.dwControlType == type) m.SetBoolean(c, value);
}

}  // namespace

TEST(Mixer, OutputVolumeReadsBackAndUnmutes) {
    for (int32_t dB : {-6, 0, -20}) {
        WriteBoolean(false, kMixerDstSpeakers, kMixerCtlMute, true);
        ASSERT_EQ(ReadControl(false, kMixerDstSpeakers, kMixerCtlMute), 1);
        LMixer::SetOutputVolume(0, 0, dB);
        long got = ReadControl(false, kMixerDstSpeakers, kMixerCtlVolume);
        // Wine keeps the volume as a fraction: allow its rounding.
        EXPECT_NEAR(got, long(MixerLevel(dB)), 1) << dB << " dB";
        EXPECT_EQ(ReadControl(false, kMixerDstSpeakers, kMixerCtlMute), 0);
    }
}

TEST(Mixer, ChoosingAnInputUnmutesTheRecordingSide) {
    ASSERT_GE(LMixer::GetInputChannelCount(0), 1);
    WriteBoolean(true, kMixerDstWaveIn, kMixerCtlMute, true);
    LMixer::SetInputChannel(0, 0, -10);
    EXPECT_NEAR(ReadControl(true, kMixerDstWaveIn, kMixerCtlVolume), long(MixerLevel(-10)), 1);
    EXPECT_EQ(ReadControl(true, kMixerDstWaveIn, kMixerCtlMute), 0);

    // "Windows Record Mixer" leaves everything as it is.
    WriteBoolean(true, kMixerDstWaveIn, kMixerCtlMute, true);
    LMixer::SetInputChannel(0, -1, 6);
    EXPECT_EQ(ReadControl(true, kMixerDstWaveIn, kMixerCtlMute), 1);
    EXPECT_NEAR(ReadControl(true, kMixerDstWaveIn, kMixerCtlVolume), long(MixerLevel(-10)), 1);
    LMixer::SetInputChannel(0, 0, 0);
}

TEST(Mixer, NamesCountsAndNoDevice) {
    char name[kMixerNameChars];
    LMixer::GetInputChannelName(0, -1, name);
    EXPECT_STREQ(name, "Windows Record Mixer");
    LMixer::GetInputChannelName(0, 0, name);
    EXPECT_GT(std::strlen(name), 0u);
    LMixer::GetInputChannelName(0, LMixer::GetInputChannelCount(0), name);
    EXPECT_STREQ(name, "");

    EXPECT_EQ(LMixer::GetInputChannelCount(-1), 0);
    EXPECT_EQ(LMixer::GetOutChannelAuxCount(-1), 0);
    LMixer::GetInputChannelName(-1, 0, name);
    EXPECT_STREQ(name, "");
    LMixer::GetInputChannelName(-1, -1, name);  // the list's first entry is always there
    EXPECT_STREQ(name, "Windows Record Mixer");
    EXPECT_EQ(LMixer::GetInputChannelCount(60), 0);  // no such wave device

    long before = ReadControl(false, kMixerDstSpeakers, kMixerCtlVolume);
    LMixer::SetOutputVolume(-1, 0, -30);
    LMixer::SetOutputVolume(60, 0, -30);
    EXPECT_EQ(ReadControl(false, kMixerDstSpeakers, kMixerCtlVolume), before);
}
