#include "ui/LRecordController.h"

#include <algorithm>

#include "core/LSoundTime.h"
#include "support/LSettings.h"

namespace sondrel {

namespace {

constexpr char kSection[] = "Recorder";

int8_t StoredInt8(const char* key, int32_t def) { return int8_t(std::clamp(ReadInt(kSection, key, def), -128, 127)); }

// Virtual-key codes of the dialog's own keys.
constexpr unsigned kKeyF5 = 0x74, kKeyF6 = 0x75, kKeyF7 = 0x76, kKeyF8 = 0x77;

// Room for one minute of a take: the segment file holds 32-bit samples.
uint64_t MinuteBytes(int32_t rate, int32_t chans) { return uint64_t(std::max(rate, 1)) * std::max(chans, 1) * 4 * 60; }

}  // namespace

const char kRecordDeviceFailedText[] =
    "The recording device could not be opened. It may be in use by another program.";
const char kRecordDiskFailedText[] =
    "Recording stopped: the recording could not be written to the data folder. The disk may be full.\n\n"
    "What was recorded until then is kept.";
const char kRecordDeviceLostText[] =
    "Recording stopped: the recording device stopped working.\n\nWhat was recorded until then is kept.";
const char kRecordLowSpaceText[] =
    "The data folder has less free space than one minute of recording needs.\n\nRecord anyway?";

void LRecordSettings::Load() {
    nFlags = 0;
    if (ReadBool(kSection, "Autotrim", true)) nFlags |= kRecordAutoTrim;
    if (ReadBool(kSection, "Vor", false)) nFlags |= kRecordVoice;
    iDevice = StoredInt8("Device", 0);
    iInputChannel = StoredInt8("Inputchannel", -1);
    iVolumeDB = StoredInt8("Volume", 0);
    iThresholdDB = StoredInt8("Threshold", -24);
}

void LRecordSettings::Save() const {
    WriteBool(kSection, "Autotrim", AutoTrim());
    WriteBool(kSection, "Vor", Voice());
    WriteInt(kSection, "Device", iDevice);
    WriteInt(kSection, "Inputchannel", iInputChannel);
    WriteInt(kSection, "Volume", iVolumeDB);
    WriteInt(kSection, "Threshold", iThresholdDB);
}

LTakeStart TakeStart(const LRecordSettings& settings) {
    if (!settings.AutoTrim()) return {kRecorderStartRecording, kRecordNoPauseMs, -127};
    return {0, settings.Voice() ? kRecordVoicePauseMs : kRecordNoPauseMs, settings.iThresholdDB};
}

int32_t ClampRecordThreshold(int32_t dB) { return std::clamp(dB, kRecordThresholdMin, kRecordThresholdMax); }

void ApplyAdvanced(LRecordSettings& settings, bool autoTrim, bool voice, int32_t thresholdDB) {
    settings.nFlags = uint8_t((settings.nFlags & ~(kRecordAutoTrim | kRecordVoice)) | (autoTrim ? kRecordAutoTrim : 0) |
                              (voice ? kRecordVoice : 0));
    settings.iThresholdDB = int8_t(ClampRecordThreshold(thresholdDB));
}

LRecordController::LRecordController(LRecordSettings& settings, LCutListAudio& body, LRecordRecorder& recorder,
                                     LRecordDevices& devices, LRecordView& view, LTransportController& transport,
                                     LPlayer& player)
    : rSettings(settings),
      rBody(body),
      rRecorder(recorder),
      rDevices(devices),
      rView(view),
      rTransport(transport),
      rPlayer(player),
      take(body.nSampleRate, body.nChans) {}

LRecordController::~LRecordController() {
    // A take still running writes into `take`: it ends before that goes.
    if (bTakePending) {
        rRecorder.SetListener(nullptr);
        rRecorder.Stop();
    }
}

int32_t LRecordController::ShownSample() const {
    return LSoundTime(rTransport.PositionMs()).GetSamples(rBody.nSampleRate);
}

int32_t LRecordController::EffectiveChannel() const {
    return rSettings.iInputChannel >= 0 && rSettings.iInputChannel < nInputCount ? rSettings.iInputChannel : -1;
}

void LRecordController::FillInputs() {
    nInputCount = std::clamp(rDevices.InputCount(rSettings.iDevice), 0, 127);
    std::vector<std::string> names;
    for (int32_t ch = -1; ch < nInputCount; ++ch) names.push_back(rDevices.InputName(rSettings.iDevice, ch));
    // An input the device does not have (another device, a mixer that
    // cannot be read) shows as the system mixer's; the stored choice stays.
    const int32_t ch = EffectiveChannel();
    rView.ShowInputs(names, ch + 1);
    rView.ShowVolume(ch >= 0);
}

void LRecordController::Init() {
    rView.ShowDevices(rDevices.DeviceNames(), rSettings.iDevice);
    FillInputs();
    rRecorder.SetListener(this);
    rRecorder.SetDevice(rSettings.iDevice);
    if (EffectiveChannel() >= 0) rDevices.SetInputChannel(rSettings.iDevice, EffectiveChannel(), rSettings.iVolumeDB);
    StartTake(ShownSample());
}

void LRecordController::Destroy() {
    rRecorder.SetListener(nullptr);
    const bool wasRecording = Recording();
    rRecorder.Stop();
    CommitTake();
    if (wasRecording) SayWhyStopped();
}

LSoundSourcePtr LRecordController::Source() {
    if (Recording()) {
        // Playing while recording ends the take and plays it from its start.
        StopRecorder(true);
        rTransport.StartWaveScan();
        rTransport.ShowPosition(LSoundTime::FromSamples(nTakeStart, rBody.nSampleRate).ms);
    }
    return CreateSource(rBody);
}

void LRecordController::DeviceSelected(int32_t index) {
    if (index < 0) return;
    rSettings.iDevice = int8_t(std::min(index, 127));
    rRecorder.SetDevice(rSettings.iDevice);
    FillInputs();
}

void LRecordController::InputSelected(int32_t index) {
    if (index < 0) return;
    rSettings.iInputChannel = int8_t(std::min(index, 128) - 1);
    const int32_t ch = EffectiveChannel();
    rView.ShowVolume(ch >= 0);
    // "Windows Record Mixer" leaves the inputs as the system mixer has them.
    if (ch >= 0) rDevices.SetInputChannel(rSettings.iDevice, ch, rSettings.iVolumeDB);
}

void LRecordController::VolumeChanged(int32_t dB) {
    rSettings.iVolumeDB = int8_t(std::clamp(dB, -127, 127));
    const int32_t ch = EffectiveChannel();
    if (ch >= 0) rDevices.SetInputChannel(rSettings.iDevice, ch, rSettings.iVolumeDB);
}

void LRecordController::CmRecord() {
    if (!Recording()) StartTake(ShownSample());
}

void LRecordController::CmGoStart() {
    if (Recording())
        CmRestart();
    else
        rTransport.CmStart();
}

void LRecordController::CmGoEnd() {
    if (Recording())
        CmRecordNext();
    else
        rTransport.CmEnd();
}

void LRecordController::CmRestart() { StartTake(0); }

void LRecordController::CmRetake() { StartTake(nTakeStart); }

void LRecordController::CmRecordNext() {
    nResult = kRecordResultNext;
    rView.CloseDialog();
}

void LRecordController::CmStop() {
    StopRecorder(false);
    rPlayer.Stop();
    rView.ShowChecks();
}

bool LRecordController::KeyDown(unsigned virtualKey) {
    switch (virtualKey) {
        case kKeyF5: CmRecordNext(); return true;
        case kKeyF6: CmRestart(); return true;
        case kKeyF7: CmRetake(); return true;
        case kKeyF8: CmRecord(); return true;
        default: return false;
    }
}

LRecordChecks LRecordController::Checks() {
    LRecordChecks c;
    c.bRecord = Recording();
    c.bStop = !c.bRecord && !(rPlayer.State() & kPlayerOpen);
    return c;
}

void LRecordController::StartTake(int32_t sample) {
    rPlayer.Stop();
    StopRecorder(true);
    rView.StopWaveScan();
    const int32_t rate = rBody.nSampleRate;
    const int32_t chans = rBody.nChans;
    if (rView.FreeDataBytes() < MinuteBytes(rate, chans) && !rView.AskYesNo(kRecordLowSpaceText)) {
        ShowStopped();
        return;
    }
    const LTakeStart how = TakeStart(rSettings);
    take.lstCuts.Clear();
    take.nSampleRate = rate;
    take.nChans = uint8_t(chans);
    nTakeStart = std::clamp(sample, 0, rBody.GetLength());
    // Before Start: the recorder reports its first position from inside it.
    bTakePending = true;
    bool started = false, sinkFailed = false;
    {
        // The recorder holds the only reference from here on, so the take
        // is in `take` as soon as the recorder lets the writer go.
        LSoundSinkPtr sink = CreateSink(take, rate, uint32_t(chans));
        sinkFailed = sink->HasError();
        if (!sinkFailed) started = rRecorder.Start(sink, how.nFlags, how.nStopDelayMs, how.nThresholdDB, 0);
    }
    if (started) return;
    bTakePending = false;
    take.lstCuts.Clear();
    ShowStopped();
    rView.ShowMessage(sinkFailed ? kRecordDiskFailedText : kRecordDeviceFailedText);
}

void LRecordController::StopRecorder(bool quiet) {
    if (!Recording()) return;
    bQuietStop = quiet;
    rRecorder.Stop();
    bQuietStop = false;
}

void LRecordController::CommitTake() {
    if (!bTakePending) return;
    bTakePending = false;
    // What lay before the take stays; the take replaces everything after it.
    const int32_t at = std::min(nTakeStart, rBody.GetLength());
    rBody.EfTrimEnd(at);
    rBody.EfInsert(at, take);
    take.lstCuts.Clear();
}

void LRecordController::ShowStopped() {
    rView.ShowRecording(false);
    rView.ShowChecks();
    rTransport.StartWaveScan();
}

void LRecordController::SayWhyStopped() {
    switch (rRecorder.StopReason()) {
        case kRecordStopSinkFailed: rView.ShowMessage(kRecordDiskFailedText); break;
        case kRecordStopDeviceFailed: rView.ShowMessage(kRecordDeviceLostText); break;
        default: break;
    }
}

void LRecordController::NotifyRecord(uint32_t) {
    rView.ShowRecording(true);
    rView.ShowChecks();
}

void LRecordController::NotifyWaiting(uint32_t) {
    rView.ShowRecording(true);
    rView.ShowChecks();
}

void LRecordController::NotifyStop(uint32_t) {
    CommitTake();
    if (bQuietStop) {
        rView.ShowRecording(false);
        rView.ShowChecks();
    } else {
        ShowStopped();
    }
    SayWhyStopped();
}

void LRecordController::NotifyPosition(uint32_t, int32_t ms) {
    // The recorder counts from the take's start; what was recorded so far
    // is the length.
    const int32_t rate = rBody.nSampleRate;
    const int32_t frames = nTakeStart + LSoundTime(ms).GetSamples(rate);
    rTransport.SetLength(frames, rate);
    rTransport.ShowPosition(LSoundTime::FromSamples(frames, rate).ms);
}

void LRecordController::NotifyLevels(uint32_t, const LChannelLevels& levels) {
    rTransport.PlayerLevels(levels.iLevels, levels.nCount);
}

}  // namespace sondrel
