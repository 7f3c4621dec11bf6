// The record dialog's decisions without a dialog or a device: a recorder
// that takes the sink it is given and writes what the test tells it, a
// mixer with two devices (the second one's mixer cannot be read), and the
// transport controller the dialog shares.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/LMixerRules.h"
#include "document/LAudioCutTank.h"
#include "support/LSettings.h"
#include "support/TestUtil.h"
#include "ui/LRecordController.h"

using namespace sondrel;

namespace {

constexpr int32_t kRate = 8000;

class FakeRecorder : public LRecordRecorder {
public:
    bool Start(const LSoundSinkPtr& s, uint32_t flags, int32_t stopDelayMs, int32_t thresholdDB,
               int32_t maxTimeMs) override {
        ++starts;
        startFlags = flags;
        stopDelay = stopDelayMs;
        threshold = thresholdDB;
        maxTime = maxTimeMs;
        reason = kRecordStopByOwner;
        if (refuse) return false;  // the device cannot be opened; the sink is let go
        sink = s;
        state = (flags & kRecorderStartRecording) ? kRecorderRecording : kRecorderWaiting;
        if (state == kRecorderRecording)
            listener->NotifyRecord(0);
        else
            listener->NotifyWaiting(0);
        listener->NotifyPosition(0, 0);
        return true;
    }
    void Stop() override {
        if (state == kRecorderStopped) return;
        state = kRecorderStopped;
        sink.Reset();  // the writer hands its audio over
        listener->NotifyStop(0);
    }
    int32_t State() override { return state; }
    LRecordStopReason StopReason() override { return reason; }
    void SetDevice(int8_t d) override { device = d; }
    void SetListener(LSoundRecorderNotify* l) override { listener = l ? l : &nobody; }

    // n frames of value v, as the worker writes them, then the report.
    void Record(int32_t n, int32_t v) {
        std::vector<int32_t> b(size_t(n) * sink->nChans, v);
        sink->Write(b.data(), n);
        state = kRecorderRecording;
        listener->NotifyPosition(0, LSoundTime::FromSamples(sink->nPosition, sink->nSampleRate).ms);
        LChannelLevels lv;
        lv.nCount = 1;
        lv.iLevels[0] = -3;
        listener->NotifyLevels(0, lv);
    }
    // The sink failed (a full disk): the recorder stops itself and says why.
    void FailSink() {
        reason = kRecordStopSinkFailed;
        Stop();
    }

    LSoundRecorderNotify nobody;
    LSoundRecorderNotify* listener = &nobody;
    LSoundSinkPtr sink;
    int32_t state = kRecorderStopped;
    LRecordStopReason reason = kRecordStopByOwner;
    bool refuse = false;
    int starts = 0;
    uint32_t startFlags = 99;
    int32_t stopDelay = -1, threshold = 99, maxTime = -1;
    int8_t device = -9;
};

// Device 0 has three inputs; device 1's mixer cannot be read.
class FakeDevices : public LRecordDevices {
public:
    std::vector<std::string> DeviceNames() override { return {"In: default", "In: usb"}; }
    int32_t InputCount(int8_t d) override { return d == 0 ? 3 : 0; }
    std::string InputName(int8_t d, int32_t ch) override {
        static const char* names[] = {"Microphone", "Line In", "CD Audio"};
        if (ch < 0) return kWindowsRecordMixer;
        return d == 0 && ch < 3 ? names[ch] : "";
    }
    void SetInputChannel(int8_t d, int32_t ch, int32_t dB) override {
        mixer.push_back(std::to_string(d) + "/" + std::to_string(ch) + "/" + std::to_string(dB));
    }
    std::vector<std::string> mixer;
};

class FakeView : public LRecordView {
public:
    void ShowDevices(const std::vector<std::string>& n, int32_t sel) override {
        devices = n;
        device = sel;
    }
    void ShowInputs(const std::vector<std::string>& n, int32_t sel) override {
        inputs = n;
        input = sel;
    }
    void ShowVolume(bool v) override { volume = v; }
    void ShowRecording(bool r) override { recordingLabels = r; }
    void ShowChecks() override { ++checks; }
    void StopWaveScan() override { scanning = false; }
    void ShowMessage(const std::string& t) override { messages.push_back(t); }
    bool AskYesNo(const std::string& t) override {
        questions.push_back(t);
        return yes;
    }
    uint64_t FreeDataBytes() override { return freeBytes; }
    void RunAdvanced() override { ++advanced; }
    void RunMixerProgram() override { ++mixerProgram; }
    void CloseDialog() override { ++closed; }

    std::vector<std::string> devices, inputs, messages, questions;
    int32_t device = -1, input = -1;
    bool volume = false, recordingLabels = false, scanning = false, yes = true;
    uint64_t freeBytes = uint64_t(1) << 40;
    int checks = 0, advanced = 0, mixerProgram = 0, closed = 0;
};

class FakePlayer : public LPlayer {
public:
    bool Start(const LSoundSourcePtr& s) override {
        startPosition = s->GetPosition();
        state = kPlayerOpen;
        return true;
    }
    void Stop() override { state = 0; }
    void Play() override { state &= ~kPlayerCueing; }
    void Cue() override {
        if (state & kPlayerOpen) state |= kPlayerCueing;
    }
    void Seek(int32_t s) override { seeks.push_back(s); }
    uint16_t State() override { return state; }
    void SetDevice(int8_t) override {}
    void SetListener(LPlayerListener*) override {}
    uint16_t state = 0;
    int32_t startPosition = -1;
    std::vector<int32_t> seeks;
};

// The transport's view; the wave scan is the record view's (it stops it).
class FakeTransportView : public LTransportView {
public:
    explicit FakeTransportView(FakeView& v) : view(v) {}
    void ShowTime(int32_t ms) override { time = ms; }
    void ShowScroll(int32_t) override {}
    void ShowChecks(const LTransportChecks&) override {}
    void ShowLevels(const int8_t* l, int32_t n) override { levels.assign(l, l + n); }
    bool WaveScanRunning() override { return view.scanning; }
    void WaveStartScan(const LSoundSourcePtr& s) override {
        view.scanning = true;
        scanLength = s->GetLength();
    }
    void WaveCursor(int32_t, int32_t) override {}
    void WaveRequestView(int32_t, int32_t) override {}
    void ShowPlayFailed() override {}
    FakeView& view;
    int32_t time = -1, scanLength = -1;
    std::vector<int8_t> levels;
};

class RecordController : public ::testing::Test {
protected:
    RecordController() : tview(view), transport(player, tview, [this] { return ctl.Source(); }) {
        SetSettingsStore(&store);
    }
    ~RecordController() override {
        SetSettingsStore(nullptr);
    }

    // What the body holds.
    std::vector<int32_t> Body() {
        LSoundSourcePtr src = CreateSource(body);
        return test::ReadAll(*src);
    }
    static std::vector<int32_t> Run(std::initializer_list<std::pair<int32_t, int32_t>> parts) {
        std::vector<int32_t> v;
        for (auto [n, value] : parts) v.insert(v.end(), size_t(n), value);
        return v;
    }

    LMemorySettings store;
    LCutTankScope tank{test::ScratchDir("record-controller")};
    LCutListAudio body{kRate, 1};
    LRecordSettings settings;
    FakeRecorder recorder;
    FakeDevices devices;
    FakeView view;
    FakeTransportView tview;
    FakePlayer player;
    LTransportController transport;
    LRecordController ctl{settings, body, recorder, devices, view, transport, player};
};

}  // namespace

// ------------------------------------------------------------------ settings and rules

TEST(RecordRules, ThresholdStopDelayAndStartStateFromTheTwoFlags) {
    const struct {
        uint8_t flags;
        uint32_t startFlags;
        int32_t stopDelay, threshold;
    } cases[] = {
        // Automatic trimming: wait for the stored threshold; voice activation pauses after 5 s.
        {kRecordAutoTrim, 0, kRecordNoPauseMs, -30},
        {kRecordAutoTrim | kRecordVoice, 0, kRecordVoicePauseMs, -30},
        // Without it: record from the first buffer, trim nothing, never pause,
        // whatever the stored voice activation says.
        {0, kRecorderStartRecording, kRecordNoPauseMs, -127},
        {kRecordVoice, kRecorderStartRecording, kRecordNoPauseMs, -127},
    };
    for (const auto& c : cases) {
        LRecordSettings s;
        s.nFlags = c.flags;
        s.iThresholdDB = -30;
        LTakeStart t = TakeStart(s);
        EXPECT_EQ(t.nFlags, c.startFlags) << int(c.flags);
        EXPECT_EQ(t.nStopDelayMs, c.stopDelay) << int(c.flags);
        EXPECT_EQ(t.nThresholdDB, c.threshold) << int(c.flags);
    }
}

TEST(RecordRules, AdvancedSettingsClampTheThresholdAndKeepAStoredVoiceActivation) {
    EXPECT_TRUE(AdvancedVoiceEnabled(true));
    EXPECT_FALSE(AdvancedVoiceEnabled(false));
    const struct {
        int32_t typed, stored;
    } thresholds[] = {{-50, -40}, {-40, -40}, {-24, -24}, {-6, -6}, {-3, -6}, {12, -6}};
    for (const auto& c : thresholds) {
        LRecordSettings s;
        ApplyAdvanced(s, true, false, c.typed);
        EXPECT_EQ(s.iThresholdDB, c.stored) << c.typed;
    }
    // Trimming switched off with voice activation stored on: the disabled
    // box keeps its check, OK stores it, and the takes ignore it.
    LRecordSettings s;
    s.nFlags = kRecordAutoTrim | kRecordVoice | 0x01;
    ApplyAdvanced(s, false, true, -24);
    EXPECT_EQ(s.nFlags, kRecordVoice | 0x01);  // other bits untouched
    EXPECT_EQ(TakeStart(s).nStopDelayMs, kRecordNoPauseMs);
    ApplyAdvanced(s, true, true, -24);
    EXPECT_EQ(TakeStart(s).nStopDelayMs, kRecordVoicePauseMs);
}

TEST_F(RecordController, SettingsLoadWithDefaultsAndSaveTheSixValues) {
    LRecordSettings s;
    s.nFlags = 0;
    s.iThresholdDB = 0;
    s.Load();
    EXPECT_EQ(s.nFlags, kRecordAutoTrim);
    EXPECT_EQ(s.iDevice, 0);
    EXPECT_EQ(s.iInputChannel, -1);
    EXPECT_EQ(s.iVolumeDB, 0);
    EXPECT_EQ(s.iThresholdDB, -24);

    s.nFlags = kRecordVoice;
    s.iDevice = 1;
    s.iInputChannel = 2;
    s.iVolumeDB = -7;
    s.iThresholdDB = -33;
    s.Save();
    std::string v;
    ASSERT_TRUE(store.Query("Recorder", "Autotrim", v));
    EXPECT_EQ(v, "0");
    ASSERT_TRUE(store.Query("Recorder", "Vor", v));
    EXPECT_EQ(v, "1");
    ASSERT_TRUE(store.Query("Recorder", "Inputchannel", v));
    EXPECT_EQ(v, "2");
    LRecordSettings back;
    back.Load();
    EXPECT_EQ(back.nFlags, kRecordVoice);
    EXPECT_EQ(back.iDevice, 1);
    EXPECT_EQ(back.iInputChannel, 2);
    EXPECT_EQ(back.iVolumeDB, -7);
    EXPECT_EQ(back.iThresholdDB, -33);

    store.Set("Recorder", "Volume", "300");  // out of range: the nearest 8-bit value
    back.Load();
    EXPECT_EQ(back.iVolumeDB, 127);
}

// ------------------------------------------------------------------ devices, inputs, volume

TEST_F(RecordController, InitListsDevicesAndInputsSetsTheMixerAndStartsRecording) {
    settings.iInputChannel = 1;
    settings.iVolumeDB = -5;
    settings.iThresholdDB = -30;
    ctl.Init();
    EXPECT_EQ(view.devices, (std::vector<std::string>{"In: default", "In: usb"}));
    EXPECT_EQ(view.device, 0);
    EXPECT_EQ(view.inputs, (std::vector<std::string>{"Windows Record Mixer", "Microphone", "Line In", "CD Audio"}));
    EXPECT_EQ(view.input, 2);
    EXPECT_TRUE(view.volume);
    EXPECT_EQ(devices.mixer, (std::vector<std::string>{"0/1/-5"}));
    EXPECT_EQ(recorder.device, 0);
    // The take starts as soon as the dialog opens, waiting for the threshold.
    EXPECT_EQ(recorder.starts, 1);
    EXPECT_EQ(recorder.threshold, -30);
    EXPECT_EQ(recorder.maxTime, 0);
    EXPECT_EQ(recorder.state, kRecorderWaiting);
    EXPECT_TRUE(view.recordingLabels);
    EXPECT_FALSE(view.scanning);
}

TEST_F(RecordController, TheSystemMixerEntryHidesTheVolumeAndChangesNoMixerSetting) {
    settings.iVolumeDB = -5;
    ctl.Init();  // stored channel -1: the system mixer's entry
    EXPECT_EQ(view.input, 0);
    EXPECT_FALSE(view.volume);
    EXPECT_TRUE(devices.mixer.empty());

    ctl.InputSelected(3);  // "CD Audio"
    EXPECT_EQ(settings.iInputChannel, 2);
    EXPECT_TRUE(view.volume);
    ctl.VolumeChanged(-9);
    EXPECT_EQ(settings.iVolumeDB, -9);
    EXPECT_EQ(devices.mixer, (std::vector<std::string>{"0/2/-5", "0/2/-9"}));

    devices.mixer.clear();
    ctl.InputSelected(0);
    EXPECT_EQ(settings.iInputChannel, -1);
    EXPECT_FALSE(view.volume);
    ctl.VolumeChanged(-2);
    EXPECT_EQ(settings.iVolumeDB, -2);
    EXPECT_TRUE(devices.mixer.empty());
}

TEST_F(RecordController, ADeviceWhoseMixerCannotBeReadOffersOnlyTheSystemMixer) {
    settings.iInputChannel = 1;
    ctl.Init();
    devices.mixer.clear();
    ctl.DeviceSelected(1);
    EXPECT_EQ(settings.iDevice, 1);
    EXPECT_EQ(recorder.device, 1);
    EXPECT_EQ(view.inputs, (std::vector<std::string>{"Windows Record Mixer"}));
    EXPECT_EQ(view.input, 0);
    EXPECT_FALSE(view.volume);
    ctl.VolumeChanged(3);  // no input of this device to set
    EXPECT_TRUE(devices.mixer.empty());
    // The stored choice is kept for the device that has it.
    EXPECT_EQ(settings.iInputChannel, 1);
    ctl.DeviceSelected(0);
    EXPECT_EQ(view.input, 2);
    EXPECT_TRUE(view.volume);
}

// ------------------------------------------------------------------ takes

TEST_F(RecordController, ATakeGoesIntoTheBodyWhenTheRecorderStops) {
    ctl.Init();
    recorder.Record(800, 160);
    EXPECT_EQ(tview.time, 100);               // the position follows the take
    EXPECT_EQ(transport.LengthMs(), 100);     // and is its length
    EXPECT_EQ(tview.levels, (std::vector<int8_t>{-3}));
    EXPECT_TRUE(Body().empty());              // in the body only once it ends
    ctl.CmStop();
    EXPECT_EQ(recorder.state, kRecorderStopped);
    EXPECT_FALSE(view.recordingLabels);
    EXPECT_EQ(Body(), Run({{800, 160}}));
    // The wave window shows the body, and the position is its end.
    EXPECT_TRUE(view.scanning);
    EXPECT_EQ(tview.scanLength, 800);
    EXPECT_EQ(transport.PositionMs(), 100);
}

// Record (and F8) record at the shown position: at the end they add to the
// audio; F7 takes the current take again from where it began, keeping what
// was before it; F6 starts over from sample 0.
TEST_F(RecordController, RecordRetakeAndRestartStartWhereTheyShould) {
    ctl.Init();
    recorder.Record(800, 1);
    ctl.CmStop();

    ASSERT_TRUE(ctl.KeyDown(0x77));  // F8 at the end
    EXPECT_EQ(ctl.TakeStartSample(), 800);
    EXPECT_EQ(tview.time, 100);
    recorder.Record(400, 2);
    EXPECT_EQ(tview.time, 150);
    ctl.CmRecord();  // the recorder runs: nothing
    EXPECT_EQ(recorder.starts, 2);

    ASSERT_TRUE(ctl.KeyDown(0x76));  // F7 while recording: the take again
    EXPECT_EQ(recorder.starts, 3);
    EXPECT_EQ(ctl.TakeStartSample(), 800);
    EXPECT_EQ(tview.time, 100);
    recorder.Record(240, 3);
    ctl.CmStop();
    EXPECT_EQ(Body(), Run({{800, 1}, {240, 3}}));

    ASSERT_TRUE(ctl.KeyDown(0x76));  // F7 while stopped: the last take again
    EXPECT_EQ(ctl.TakeStartSample(), 800);
    recorder.Record(80, 4);
    ctl.CmStop();
    EXPECT_EQ(Body(), Run({{800, 1}, {80, 4}}));

    ASSERT_TRUE(ctl.KeyDown(0x75));  // F6: from sample 0
    EXPECT_EQ(ctl.TakeStartSample(), 0);
    EXPECT_EQ(tview.time, 0);
    recorder.Record(160, 5);
    ctl.CmStop();
    EXPECT_EQ(Body(), Run({{160, 5}}));

    // Go to start while recording is Restart; while stopped it goes to the start.
    ctl.CmRecord();
    recorder.Record(80, 6);
    ctl.CmGoStart();
    EXPECT_EQ(ctl.TakeStartSample(), 0);
    EXPECT_EQ(recorder.starts, 7);
    ctl.CmStop();
    EXPECT_TRUE(Body().empty());
    ctl.CmGoStart();
    EXPECT_EQ(recorder.starts, 7);
    EXPECT_EQ(transport.PositionMs(), 0);

    EXPECT_FALSE(ctl.KeyDown(0x78));  // F9 is the transport's
}

TEST_F(RecordController, RecordAtAnEarlierPositionReplacesWhatFollowsIt) {
    ctl.Init();
    recorder.Record(1600, 1);
    ctl.CmStop();
    transport.ShowPosition(50);  // sample 400
    ctl.CmRecord();
    EXPECT_EQ(ctl.TakeStartSample(), 400);
    recorder.Record(80, 2);
    ctl.CmStop();
    EXPECT_EQ(Body(), Run({{400, 1}, {80, 2}}));
}

TEST_F(RecordController, RecordNextEndsTheDialogWithResult2) {
    ctl.Init();
    EXPECT_EQ(ctl.Result(), kRecordResultClosed);
    ctl.CmStop();
    ASSERT_TRUE(ctl.KeyDown(0x74));  // F5 while stopped
    EXPECT_EQ(ctl.Result(), kRecordResultNext);
    EXPECT_EQ(view.closed, 1);
}

TEST_F(RecordController, GoToEndIsRecordNextWhileRecording) {
    ctl.Init();
    recorder.Record(80, 1);
    ctl.CmGoEnd();
    EXPECT_EQ(ctl.Result(), kRecordResultNext);
    EXPECT_EQ(view.closed, 1);
    // The close keeps the take.
    ctl.Destroy();
    EXPECT_EQ(recorder.state, kRecorderStopped);
    EXPECT_EQ(Body(), Run({{80, 1}}));
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(RecordController, GoToEndWhileStoppedIsTheTransports) {
    ctl.Init();
    recorder.Record(800, 1);
    ctl.CmStop();
    ctl.CmGoEnd();
    EXPECT_EQ(ctl.Result(), kRecordResultClosed);
    EXPECT_EQ(view.closed, 0);
    EXPECT_EQ(player.state, kPlayerOpen | kPlayerCueing);  // Go to end scrubs
    EXPECT_EQ(player.seeks, (std::vector<int32_t>{800}));
}

// ------------------------------------------------------------------ buttons, play, advanced

TEST_F(RecordController, RecordIsCheckedWhileRecordingAndStopOnlyWhenNothingRuns) {
    ctl.Init();
    LRecordChecks c = ctl.Checks();
    EXPECT_TRUE(c.bRecord);
    EXPECT_FALSE(c.bStop);
    recorder.Record(800, 1);
    ctl.CmStop();
    c = ctl.Checks();
    EXPECT_FALSE(c.bRecord);
    EXPECT_TRUE(c.bStop);
    transport.CmPlay();
    c = ctl.Checks();
    EXPECT_FALSE(c.bRecord);
    EXPECT_FALSE(c.bStop);
    // Starting a take stops the player.
    ctl.CmRecord();
    EXPECT_EQ(player.state, 0);
    EXPECT_TRUE(ctl.Checks().bRecord);
}

TEST_F(RecordController, PlayWhileRecordingEndsTheTakeAndPlaysItFromItsStart) {
    ctl.Init();
    recorder.Record(800, 1);
    ctl.CmStop();
    ctl.CmRecord();
    recorder.Record(400, 2);
    transport.CmPlay();
    EXPECT_EQ(recorder.state, kRecorderStopped);
    EXPECT_EQ(Body(), Run({{800, 1}, {400, 2}}));
    EXPECT_EQ(player.state, kPlayerOpen);
    EXPECT_EQ(player.startPosition, 800);
    EXPECT_TRUE(view.scanning);
}

TEST_F(RecordController, AdvancedAndMixerButtonsOpenTheirDialogs) {
    ctl.Init();
    ctl.CmAdvanced();
    ctl.CmMixer();
    EXPECT_EQ(view.advanced, 1);
    EXPECT_EQ(view.mixerProgram, 1);
}

// ------------------------------------------------------------------ failures

TEST_F(RecordController, ADeviceThatCannotBeOpenedLeavesTheDialogStoppedAndSaysSo) {
    recorder.refuse = true;
    ctl.Init();
    EXPECT_EQ(recorder.state, kRecorderStopped);
    EXPECT_FALSE(view.recordingLabels);
    EXPECT_TRUE(view.scanning);
    EXPECT_EQ(view.messages, (std::vector<std::string>{kRecordDeviceFailedText}));
    EXPECT_TRUE(ctl.Checks().bStop);
    ctl.Destroy();
    EXPECT_TRUE(Body().empty());
    EXPECT_EQ(view.messages.size(), 1u);
}

TEST_F(RecordController, ADataFolderThatCannotBeWrittenIsSaid) {
    LCutTankScope missing(test::ScratchDir("record-controller") + "/gone");  // no such folder
    ctl.Init();
    EXPECT_EQ(recorder.starts, 0);
    EXPECT_EQ(view.messages, (std::vector<std::string>{kRecordDiskFailedText}));
    EXPECT_TRUE(view.scanning);
}

TEST_F(RecordController, AFailureWhileRecordingIsSaidAndKeepsWhatWasRecorded) {
    ctl.Init();
    recorder.Record(800, 7);
    recorder.FailSink();
    EXPECT_EQ(view.messages, (std::vector<std::string>{kRecordDiskFailedText}));
    EXPECT_FALSE(view.recordingLabels);
    EXPECT_TRUE(view.scanning);
    EXPECT_EQ(Body(), Run({{800, 7}}));
}

TEST_F(RecordController, LittleFreeSpaceIsAskedAboutBeforeEachTake) {
    view.freeBytes = uint64_t(kRate) * 4 * 60 - 1;  // just under a minute at 8000 Hz mono
    view.yes = false;
    ctl.Init();
    EXPECT_EQ(view.questions, (std::vector<std::string>{kRecordLowSpaceText}));
    EXPECT_EQ(recorder.starts, 0);
    EXPECT_FALSE(ctl.Checks().bRecord);
    EXPECT_TRUE(view.scanning);
    view.yes = true;
    ctl.CmRecord();
    EXPECT_EQ(view.questions.size(), 2u);
    EXPECT_EQ(recorder.starts, 1);
    view.freeBytes += 1;  // a minute: no question
    ctl.CmRestart();
    EXPECT_EQ(view.questions.size(), 2u);
    EXPECT_EQ(recorder.starts, 2);
}
