// The "Record Control" dialog (template "LRECORDDLG") and its "Advanced
// Settings" (template "LRECORDDLGADVANCED"): a transport dialog that adds
// the sound recorder, the choice of recording device and input, the record
// volume through the mixer, and Record, Re-Take, Restart and Record Next.
// Recording starts as soon as the dialog opens. The rules are the record
// controller's (ui/LRecordController); this is the Windows edge.
//
// Controls beyond the transport dialog's: 100 record device and 101 input
// (drop-down lists), 102 record volume ("LDBEdit"), 119 "Open Windows
// Record Mixer..." (shown instead of 102 while the input is the system
// mixer's), 109 "Advanced Record Options...", 110 Record. While the
// recorder runs, 114 is Restart (F6), 116 Re-Take (F7) and 117 Record Next
// (F5); F8 is Record.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "devices/win32/LSoundRecorder.h"
#include "ui/LRecordController.h"
#include "ui/win32/LPlayerBaseDlg.h"

namespace sondrel {

// Runs the record dialog modally over owner for a document of this rate,
// channel count and display name, with the settings of "Player" and
// "Recorder" (written back when it has closed). Returns 1 when it closed,
// 2 when the user asked to record the next file, 0 when it could not be
// opened; recorded then holds the take, at that rate and channel count.
int RunRecordDialog(HWND owner, int32_t rate, uint8_t chans, const std::string& name, LCutListAudio& recorded);

// The advanced settings, modal over owner; true (settings changed) on OK.
bool RunRecordAdvanced(HWND owner, LRecordSettings& settings);

// The sound recorder as the record controller uses it.
class LWin32Recorder : public LRecordRecorder {
public:
    bool Start(const LSoundSinkPtr& sink, uint32_t flags, int32_t stopDelayMs, int32_t thresholdDB,
               int32_t maxTimeMs) override;
    void Stop() override { recorder.Stop(); }
    int32_t State() override { return recorder.GetState(); }
    LRecordStopReason StopReason() override { return LRecordStopReason(recorder.GetStopReason()); }
    void SetDevice(int8_t device) override { recorder.SetDevice(device); }
    void SetListener(LSoundRecorderNotify* listener) override { recorder.SetListener(listener); }

private:
    LSoundRecorder recorder;
};

// The wave-in devices and their mixer lines.
class LWin32RecordDevices : public LRecordDevices {
public:
    std::vector<std::string> DeviceNames() override;
    int32_t InputCount(int8_t device) override;
    std::string InputName(int8_t device, int32_t channel) override;
    void SetInputChannel(int8_t device, int32_t channel, int32_t dB) override;
};

class LRecordDlg : public LPlayerBaseDlg, private LRecordView {
public:
    // body: the document body recorded into (its rate and channel count).
    LRecordDlg(HINSTANCE instance, LPlayerSettings& playerSettings, LRecordSettings& settings, LCutListAudio& body);
    ~LRecordDlg() override;

    int Result() const { return pRecord->Result(); }
    LRecordController& Record() { return *pRecord; }

protected:
    LSoundSourcePtr GetSource() override { return pRecord->Source(); }
    void UpdateControls() override;
    void Stop() override { pRecord->CmStop(); }
    INT_PTR DialogMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool KeyDown(UINT vk, const LKeyState& keys) override;

private:
    void Init();
    bool Command(WORD id, WORD code);

    // LRecordView
    void ShowDevices(const std::vector<std::string>& names, int32_t selected) override;
    void ShowInputs(const std::vector<std::string>& names, int32_t selected) override;
    void ShowVolume(bool volume) override;
    void ShowRecording(bool recording) override;
    void ShowChecks() override { UpdateControls(); }
    void StopWaveScan() override { WaveScan().Stop(); }
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    uint64_t FreeDataBytes() override;
    void RunAdvanced() override { RunRecordAdvanced(Window(), rRecordSettings); }
    void RunMixerProgram() override;
    void CloseDialog() override { PostMessageA(Window(), WM_CLOSE, 0, 0); }

    LRecordSettings& rRecordSettings;
    LWin32Recorder recorder;
    LWin32RecordDevices devices;
    std::unique_ptr<LRecordController> pRecord;
    HBITMAP hRecordBitmap = nullptr;
    HBITMAP hRetakeBitmap = nullptr;
    HBITMAP hForwardBitmap = nullptr;
};

}  // namespace sondrel
