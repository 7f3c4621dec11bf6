// The record dialog's behaviour without the dialog: its stored settings,
// what a take is started with (threshold, stop delay, start state), the
// device and input lists with the record volume through the mixer, the
// advanced settings' rules, Record / Restart / Re-Take / Record Next, the
// recorder's reports, the button states and the dialog's result. The Win32
// dialog (ui/win32/LRecordDialog) turns buttons, keys and messages into
// these calls and shows what the controller asks through LRecordView; the
// recorder is reached through LRecordRecorder and the mixer through
// LRecordDevices. The transport part (play, scrub, scans, the time, the
// wave window) is the transport controller the dialog shares with the
// other transport dialogs.
//
// Takes. The dialog records into its own document body. A take starts at a
// sample p of the body and goes into a list of its own; when the recorder
// stops, the body keeps what lay before p and the take follows it. So
// Record at the end of the audio appends, Re-Take (from where the current
// take began) replaces only that take, and Restart (from sample 0) starts
// over. The recorder's reports count from the take's start.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/LSoundStream.h"
#include "devices/LRecorderCore.h"
#include "devices/LSoundRecorderNotify.h"
#include "document/LCutListAudio.h"
#include "ui/LTransportController.h"

namespace sondrel {

// Bits of the record settings' flags.
constexpr uint8_t kRecordAutoTrim = 0x10;  // "Autotrim": start with the first sound, trim the quiet tail
constexpr uint8_t kRecordVoice = 0x20;     // "Vor": pause on silence (only with automatic trimming)

// The threshold the advanced settings offer, in dB.
constexpr int32_t kRecordThresholdMin = -40;
constexpr int32_t kRecordThresholdMax = -6;

// The recorder's start flag that begins a take in RECORDING instead of
// WAITING, and the stop delay that never pauses a take.
constexpr uint32_t kRecorderStartRecording = 0x02;
constexpr int32_t kRecordNoPauseMs = 216000000;
constexpr int32_t kRecordVoicePauseMs = 5000;

// The dialog's results.
constexpr int kRecordResultClosed = 1;
constexpr int kRecordResultNext = 2;

// The record settings of section "Recorder" (the transport's part lives in
// "Player" and is the transport dialog's).
struct LRecordSettings {
    uint8_t nFlags = kRecordAutoTrim;
    int8_t iDevice = 0;         // "Device": wave-in device
    int8_t iInputChannel = -1;  // "Inputchannel": -1 leaves the system mixer as it is
    int8_t iVolumeDB = 0;       // "Volume"
    int8_t iThresholdDB = -24;  // "Threshold"

    bool AutoTrim() const { return (nFlags & kRecordAutoTrim) != 0; }
    bool Voice() const { return (nFlags & kRecordVoice) != 0; }
    void Load();
    void Save() const;
};

// What the recorder is started with for a take.
struct LTakeStart {
    uint32_t nFlags;
    int32_t nStopDelayMs;
    int32_t nThresholdDB;
};
// With automatic trimming: WAITING until the level reaches the stored
// threshold, and with voice activation a pause after 5 s below it. Without:
// RECORDING from the first buffer at threshold -127, which counts every
// buffer as loud, so that nothing is trimmed at either end and a stored
// voice activation has no effect.
LTakeStart TakeStart(const LRecordSettings& settings);

// The advanced settings: voice activation and the threshold can be changed
// only while automatic trimming is checked; OK stores both check boxes (a
// voice activation the user could not change keeps its value) and the
// threshold within -40..-6 dB.
inline bool AdvancedVoiceEnabled(bool autoTrimChecked) { return autoTrimChecked; }
int32_t ClampRecordThreshold(int32_t dB);
void ApplyAdvanced(LRecordSettings& settings, bool autoTrim, bool voice, int32_t thresholdDB);

// Why the recorder stopped (the values of the sound recorder's).
enum LRecordStopReason : int32_t {
    kRecordStopByOwner = 0,
    kRecordStopMaxTime = 1,
    kRecordStopSinkFailed = 2,
    kRecordStopDeviceFailed = 3,
};

// What the dialog needs of the sound recorder. Its reports reach the
// listener on the user-interface thread, from these calls or later.
class LRecordRecorder {
public:
    virtual ~LRecordRecorder() = default;
    virtual bool Start(const LSoundSinkPtr& sink, uint32_t flags, int32_t stopDelayMs, int32_t thresholdDB,
                       int32_t maxTimeMs) = 0;
    virtual void Stop() = 0;
    virtual int32_t State() = 0;  // LRecorderState
    virtual LRecordStopReason StopReason() = 0;
    virtual void SetDevice(int8_t device) = 0;
    // Null: the reports go nowhere.
    virtual void SetListener(LSoundRecorderNotify* listener) = 0;
};

// The recording devices and their mixer lines.
class LRecordDevices {
public:
    virtual ~LRecordDevices() = default;
    // Wave-in devices 0 .. min(count, 127) - 1; a name that cannot be read is empty.
    virtual std::vector<std::string> DeviceNames() = 0;
    virtual int32_t InputCount(int8_t device) = 0;
    // Channel -1 is "Windows Record Mixer".
    virtual std::string InputName(int8_t device, int32_t channel) = 0;
    virtual void SetInputChannel(int8_t device, int32_t channel, int32_t dB) = 0;
};

// What the record dialog shows and asks.
class LRecordView {
public:
    virtual ~LRecordView() = default;
    virtual void ShowDevices(const std::vector<std::string>& names, int32_t selected) = 0;
    virtual void ShowInputs(const std::vector<std::string>& names, int32_t selected) = 0;
    // True: the record volume shows and the mixer button hides; false: the reverse.
    virtual void ShowVolume(bool volume) = 0;
    // The labels, pictures and tooltips of the recording (true) or stopped state.
    virtual void ShowRecording(bool recording) = 0;
    // The check states of the buttons (from Checks() and the player).
    virtual void ShowChecks() = 0;
    virtual void StopWaveScan() = 0;
    virtual void ShowMessage(const std::string& text) = 0;
    virtual bool AskYesNo(const std::string& text) = 0;
    // Free bytes where the takes are written (the data folder).
    virtual uint64_t FreeDataBytes() = 0;
    // The advanced settings dialog, modal; it changes the settings on OK.
    virtual void RunAdvanced() = 0;
    // The system's record mixer program.
    virtual void RunMixerProgram() = 0;
    virtual void CloseDialog() = 0;
};

struct LRecordChecks {
    bool bRecord = false;  // the recorder runs
    bool bStop = true;     // neither the recorder nor the player runs
};

// The messages the dialog shows.
extern const char kRecordDeviceFailedText[];
extern const char kRecordDiskFailedText[];
extern const char kRecordDeviceLostText[];
extern const char kRecordLowSpaceText[];

class LRecordController : public LSoundRecorderNotify {
public:
    // body: the document body recorded into, at its rate and channel count.
    // The recorder must outlive the controller.
    LRecordController(LRecordSettings& settings, LCutListAudio& body, LRecordRecorder& recorder,
                      LRecordDevices& devices, LRecordView& view, LTransportController& transport,
                      LPlayer& player);
    ~LRecordController() override;

    // The dialog's start after the transport's: devices, inputs, the mixer,
    // then the first take at the shown position.
    void Init();
    // The dialog goes: the recorder stops and the take goes into the body.
    void Destroy();
    // The source to play: the body, with a running take ended first.
    LSoundSourcePtr Source();

    // Controls.
    void DeviceSelected(int32_t index);
    void InputSelected(int32_t index);
    void VolumeChanged(int32_t dB);
    void CmAdvanced() { rView.RunAdvanced(); }
    void CmMixer() { rView.RunMixerProgram(); }
    void CmRecord();      // 110, F8: a take at the shown position unless one runs
    void CmGoStart();     // 114: Restart while recording, else Go to start
    void CmGoEnd();       // 117: Record Next while recording, else Go to end
    void CmRestart();     // F6: a take from sample 0
    void CmRetake();      // F7: a take from where the current one began
    void CmRecordNext();  // F5: result 2 and close
    void CmStop();        // the recorder, then the player
    // F5..F8; false for other keys (they go to the transport).
    bool KeyDown(unsigned virtualKey);

    bool Recording() { return rRecorder.State() != kRecorderStopped; }
    LRecordChecks Checks();
    int Result() const { return nResult; }
    // The sample of the body where the current (or last) take began.
    int32_t TakeStartSample() const { return nTakeStart; }

    // LSoundRecorderNotify
    void NotifyRecord(uint32_t param) override;
    void NotifyWaiting(uint32_t param) override;
    void NotifyStop(uint32_t param) override;
    void NotifyPosition(uint32_t param, int32_t ms) override;
    void NotifyLevels(uint32_t param, const LChannelLevels& levels) override;

private:
    void StartTake(int32_t sample);
    void StopRecorder(bool quiet);
    void CommitTake();
    void FillInputs();
    // The stored input when the device has it, else -1.
    int32_t EffectiveChannel() const;
    void ShowStopped();
    void SayWhyStopped();
    int32_t ShownSample() const;

    LRecordSettings& rSettings;
    LCutListAudio& rBody;
    LRecordRecorder& rRecorder;
    LRecordDevices& rDevices;
    LRecordView& rView;
    LTransportController& rTransport;
    LPlayer& rPlayer;

    LCutListAudio take;
    bool bTakePending = false;
    int32_t nTakeStart = 0;
    int32_t nInputCount = 0;
    int nResult = kRecordResultClosed;
    bool bQuietStop = false;  // a stop on the way to a new take or a close: no wave scan
};

}  // namespace sondrel
