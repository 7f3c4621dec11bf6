#include "devices/win32/LMixer.h"

#include <cstring>

namespace sondrel {

namespace {

HMIXEROBJ Obj(UINT mixer) { return reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(mixer)); }

}  // namespace

LWinMixerDevice::LWinMixerDevice(int8_t waveDevice, bool waveIn) {
    if (waveDevice < 0) return;
    UINT id = 0;
    HMIXEROBJ wave = reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(uint8_t(waveDevice)));
    bValid = mixerGetID(wave, &id, waveIn ? MIXER_OBJECTF_WAVEIN : MIXER_OBJECTF_WAVEOUT) == MMSYSERR_NOERROR;
    nMixer = id;
}

bool LWinMixerDevice::Line(MIXERLINEA& ml, DWORD how, LMixerLine& line) {
    ml.cbStruct = sizeof ml;
    if (!bValid || mixerGetLineInfoA(Obj(nMixer), &ml, MIXER_OBJECTF_MIXER | how) != MMSYSERR_NOERROR) return false;
    line.nDestination = ml.dwDestination;
    line.nSource = ml.dwSource;
    line.dwLineID = ml.dwLineID;
    line.dwComponentType = ml.dwComponentType;
    line.nConnections = ml.cConnections;
    line.nControls = ml.cControls;
    std::memcpy(line.szShortName, ml.szShortName, sizeof line.szShortName);
    line.szShortName[sizeof line.szShortName - 1] = '\0';
    return true;
}

bool LWinMixerDevice::GetDestination(uint32_t componentType, LMixerLine& line) {
    MIXERLINEA ml;
    ZeroMemory(&ml, sizeof ml);
    ml.dwComponentType = componentType;
    return Line(ml, MIXER_GETLINEINFOF_COMPONENTTYPE, line);
}

bool LWinMixerDevice::GetSourceByType(uint32_t componentType, LMixerLine& line) {
    return GetDestination(componentType, line);  // found the same way
}

bool LWinMixerDevice::GetSource(const LMixerLine& destination, uint32_t index, LMixerLine& line) {
    MIXERLINEA ml;
    ZeroMemory(&ml, sizeof ml);
    ml.dwDestination = destination.nDestination;
    ml.dwSource = index;
    return Line(ml, MIXER_GETLINEINFOF_SOURCE, line);
}

bool LWinMixerDevice::GetControls(const LMixerLine& line, std::vector<LMixerControl>& controls) {
    controls.clear();
    if (!bValid) return false;
    if (line.nControls == 0) return true;
    // One list per call, freed on return.
    std::vector<MIXERCONTROLA> list(line.nControls);
    MIXERLINECONTROLSA mlc;
    ZeroMemory(&mlc, sizeof mlc);
    mlc.cbStruct = sizeof mlc;
    mlc.dwLineID = line.dwLineID;
    mlc.cControls = line.nControls;
    mlc.cbmxctrl = sizeof(MIXERCONTROLA);
    mlc.pamxctrl = list.data();
    for (MIXERCONTROLA& c : list) c.cbStruct = sizeof c;
    if (mixerGetLineControlsA(Obj(nMixer), &mlc, MIXER_OBJECTF_MIXER | MIXER_GETLINECONTROLSF_ALL) !=
        MMSYSERR_NOERROR)
        return false;
    for (const MIXERCONTROLA& c : list) {
        LMixerControl mc;
        mc.dwControlID = c.dwControlID;
        mc.dwControlType = c.dwControlType;
        mc.nMultipleItems = (c.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) ? c.cMultipleItems : 0;
        controls.push_back(mc);
    }
    return true;
}

bool LWinMixerDevice::GetListLines(const LMixerControl& control, std::vector<uint32_t>& lineIds) {
    lineIds.clear();
    if (!bValid || control.nMultipleItems == 0) return false;
    std::vector<MIXERCONTROLDETAILS_LISTTEXTA> items(control.nMultipleItems);
    MIXERCONTROLDETAILS d;
    ZeroMemory(&d, sizeof d);
    d.cbStruct = sizeof d;
    d.dwControlID = control.dwControlID;
    d.cChannels = 1;
    d.cMultipleItems = control.nMultipleItems;
    d.cbDetails = sizeof(MIXERCONTROLDETAILS_LISTTEXTA);
    d.paDetails = items.data();
    if (mixerGetControlDetailsA(Obj(nMixer), &d, MIXER_OBJECTF_MIXER | MIXER_GETCONTROLDETAILSF_LISTTEXT) !=
        MMSYSERR_NOERROR)
        return false;
    for (const auto& it : items) lineIds.push_back(it.dwParam1);
    return true;
}

void LWinMixerDevice::SetDetails(const LMixerControl& control, DWORD items, void* details, DWORD size) {
    if (!bValid) return;
    MIXERCONTROLDETAILS d;
    ZeroMemory(&d, sizeof d);
    d.cbStruct = sizeof d;
    d.dwControlID = control.dwControlID;
    d.cChannels = 1;  // one uniform value for all channels
    d.cMultipleItems = items;
    d.cbDetails = size;
    d.paDetails = details;
    mixerSetControlDetails(Obj(nMixer), &d, MIXER_OBJECTF_MIXER | MIXER_SETCONTROLDETAILSF_VALUE);
}

void LWinMixerDevice::SetUnsigned(const LMixerControl& control, uint32_t value) {
    MIXERCONTROLDETAILS_UNSIGNED v;
    v.dwValue = value;
    SetDetails(control, 0, &v, sizeof v);
}

void LWinMixerDevice::SetBoolean(const LMixerControl& control, bool value) {
    MIXERCONTROLDETAILS_BOOLEAN v;
    v.fValue = value ? 1 : 0;
    SetDetails(control, 0, &v, sizeof v);
}

void LWinMixerDevice::SetList(const LMixerControl& control, const std::vector<bool>& selected) {
    if (selected.empty()) return;
    std::vector<MIXERCONTROLDETAILS_BOOLEAN> v(selected.size());
    for (size_t i = 0; i < selected.size(); ++i) v[i].fValue = selected[i] ? 1 : 0;
    SetDetails(control, DWORD(v.size()), v.data(), sizeof(MIXERCONTROLDETAILS_BOOLEAN));
}

int32_t LMixer::GetInputChannelCount(int8_t recordDevice) {
    LWinMixerDevice m(recordDevice, true);
    return m.Valid() ? LMixerRules::GetInputChannelCount(m) : 0;
}

void LMixer::GetInputChannelName(int8_t recordDevice, int32_t channel, char* name) {
    name[0] = '\0';
    LWinMixerDevice m(recordDevice, true);
    if (channel < 0 || m.Valid()) LMixerRules::GetInputChannelName(m, channel, name);
}

void LMixer::SetInputChannel(int8_t recordDevice, int32_t channel, int32_t dB) {
    LWinMixerDevice m(recordDevice, true);
    if (m.Valid()) LMixerRules::SetInputChannel(m, channel, dB);
}

int32_t LMixer::GetOutChannelAuxCount(int8_t playDevice) {
    LWinMixerDevice m(playDevice, false);
    return m.Valid() ? LMixerRules::GetOutChannelAuxCount(m) : 0;
}

void LMixer::GetOutChannelAuxName(int8_t playDevice, int32_t channel, char* name) {
    name[0] = '\0';
    LWinMixerDevice m(playDevice, false);
    if (m.Valid()) LMixerRules::GetOutChannelAuxName(m, channel, name);
}

void LMixer::SetOutChannelAuxVolume(int8_t playDevice, int32_t channel, int32_t dB) {
    LWinMixerDevice m(playDevice, false);
    if (m.Valid()) LMixerRules::SetOutChannelAuxVolume(m, channel, dB);
}

void LMixer::SetOutputVolume(int8_t playDevice, int32_t offsetDb, int32_t dB) {
    LWinMixerDevice m(playDevice, false);
    if (m.Valid()) LMixerRules::SetOutputVolume(m, offsetDb, dB);
}

}  // namespace sondrel
