#include "devices/LMixerRules.h"

#include <algorithm>
#include <cstring>

namespace sondrel {

const char kWindowsRecordMixer[] = "Windows Record Mixer";

uint32_t MixerLevel(int32_t dB) {
    if (dB <= -36) return 0;
    return std::min<uint32_t>(uint32_t(dB + 36) * 1424u, 65535u);
}

int32_t TextToDB(const char* text) {
    bool negative = false;
    int32_t magnitude = 0;
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == '-') {
            if (negative) magnitude = 127;
            negative = true;
        } else if (*p >= '0' && *p <= '9') {
            // Anything past three digits is out of range anyway.
            magnitude = std::min(magnitude * 10 + (*p - '0'), 1000);
        }
    }
    return std::clamp(negative ? -magnitude : magnitude, -127, 127);
}

namespace LMixerRules {

namespace {

int32_t CountOf(LMixerDevice& mixer, uint32_t destinationType) {
    LMixerLine dest;
    if (!mixer.GetDestination(destinationType, dest)) return 0;
    return int32_t(std::min<uint32_t>(dest.nConnections, kMaxMixerChannels));
}

void NameOf(LMixerDevice& mixer, uint32_t destinationType, int32_t channel, char* name) {
    name[0] = '\0';
    if (channel < 0 || channel >= CountOf(mixer, destinationType)) return;
    LMixerLine dest, src;
    if (!mixer.GetDestination(destinationType, dest) || !mixer.GetSource(dest, uint32_t(channel), src)) return;
    size_t n = strnlen(src.szShortName, sizeof src.szShortName);
    n = std::min(n, size_t(kMixerNameChars - 1));
    std::memcpy(name, src.szShortName, n);
    name[n] = '\0';
}

bool IsLevel(uint32_t type) { return type == kMixerCtlVolume || type == kMixerCtlFader; }

// Level, unmute and switch on every control of a line; list controls get
// the selection made by `select`.
template <class Select>
void SetLineControls(LMixerDevice& mixer, const LMixerLine& line, uint32_t level, bool onOff, Select select) {
    std::vector<LMixerControl> controls;
    if (!mixer.GetControls(line, controls)) return;
    for (const LMixerControl& c : controls) {
        if (IsLevel(c.dwControlType))
            mixer.SetUnsigned(c, level);
        else if (c.dwControlType == kMixerCtlMute)
            mixer.SetBoolean(c, false);
        else if (c.dwControlType == kMixerCtlOnOff && onOff)
            mixer.SetBoolean(c, true);
        else if (c.dwControlType == kMixerCtlMux || c.dwControlType == kMixerCtlMixer)
            select(c);
    }
}

}  // namespace

int32_t GetInputChannelCount(LMixerDevice& mixer) { return CountOf(mixer, kMixerDstWaveIn); }

void GetInputChannelName(LMixerDevice& mixer, int32_t channel, char* name) {
    if (channel < 0) {
        std::strcpy(name, kWindowsRecordMixer);
        return;
    }
    NameOf(mixer, kMixerDstWaveIn, channel, name);
}

void SetInputChannel(LMixerDevice& mixer, int32_t channel, int32_t dB) {
    if (channel < 0) return;
    const uint32_t level = MixerLevel(dB);
    LMixerLine dest;
    if (!mixer.GetDestination(kMixerDstWaveIn, dest)) return;

    SetLineControls(mixer, dest, level, true, [&](const LMixerControl& c) {
        std::vector<bool> selected(c.nMultipleItems, c.dwControlType == kMixerCtlMixer);
        if (c.dwControlType == kMixerCtlMux) {
            // The item that stands for the chosen line; by position when the
            // line or the item list cannot be read.
            size_t item = size_t(channel);
            LMixerLine chosen;
            std::vector<uint32_t> lines;
            if (mixer.GetSource(dest, uint32_t(channel), chosen) && mixer.GetListLines(c, lines)) {
                auto it = std::find(lines.begin(), lines.end(), chosen.dwLineID);
                if (it != lines.end()) item = size_t(it - lines.begin());
            }
            if (item < selected.size()) selected[item] = true;
        }
        mixer.SetList(c, selected);
    });

    for (uint32_t i = 0; i < dest.nConnections; ++i) {
        LMixerLine src;
        std::vector<LMixerControl> controls;
        if (!mixer.GetSource(dest, i, src) || !mixer.GetControls(src, controls)) continue;
        const bool chosen = i == uint32_t(channel);
        for (const LMixerControl& c : controls) {
            if (IsLevel(c.dwControlType))
                mixer.SetUnsigned(c, chosen ? level : 0);
            else if (c.dwControlType == kMixerCtlMute)
                mixer.SetBoolean(c, !chosen);
        }
    }
}

int32_t GetOutChannelAuxCount(LMixerDevice& mixer) { return CountOf(mixer, kMixerDstSpeakers); }

void GetOutChannelAuxName(LMixerDevice& mixer, int32_t channel, char* name) {
    NameOf(mixer, kMixerDstSpeakers, channel, name);
}

void SetOutChannelAuxVolume(LMixerDevice& mixer, int32_t channel, int32_t dB) {
    if (channel < 0) return;
    LMixerLine dest, src;
    if (!mixer.GetDestination(kMixerDstSpeakers, dest) || !mixer.GetSource(dest, uint32_t(channel), src)) return;
    SetLineControls(mixer, src, MixerLevel(dB), true, [](const LMixerControl&) {});
}

void SetOutputVolume(LMixerDevice& mixer, int32_t offsetDb, int32_t dB) {
    LMixerLine dest, wave;
    if (mixer.GetDestination(kMixerDstSpeakers, dest))
        SetLineControls(mixer, dest, MixerLevel(dB), false, [](const LMixerControl&) {});
    if (mixer.GetSourceByType(kMixerSrcWaveOut, wave))
        SetLineControls(mixer, wave, MixerLevel(std::clamp(dB + offsetDb, -127, 127)), true,
                        [](const LMixerControl&) {});
}

}  // namespace LMixerRules

}  // namespace sondrel
