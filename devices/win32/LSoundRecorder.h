// Records from a wave-in device into a sample sink. A worker keeps 30
// device buffers (100 ms each) queued and hands each returned buffer to the
// recorder's rules (LRecorderCore: DC filter, levels, the voice rule with
// its hold-back buffer); a hidden report window carries levels, positions
// and state changes to the user-interface thread, where the listener hears
// them (see LSoundRecorderNotify for the calls and their order).
//
// The same recorder serves plain recording (threshold -127), recording that
// starts with the first sound (automatic trimming) and voice-activated
// recording that pauses on silence and cuts the pauses to 450 ms.
//
// All public operations are for the user-interface thread, which must pump
// messages for the reports to arrive. The recorder stops itself when max
// time is reached and when the sink fails to take what was recorded; the
// listener hears NotifyStop and GetStopReason() tells why. What the sink
// took before a failure stays in it.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>

#include "core/LSoundStream.h"
#include "devices/LRecorderCore.h"
#include "devices/LSoundRecorderNotify.h"
#include "devices/LThread.h"

namespace sondrel {

class LSoundRecorder : public LThread, public LSoundRecorderNotify {
public:
    static constexpr int kBufferCount = 30;
    static constexpr UINT kReportMessage = WM_USER;
    static constexpr DWORD kStallWaitMs = 200;

    // Start flags.
    enum : uint32_t {
        kStartHeld = 0x01,       // the worker opens the device, then waits for Go()
        kStartRecording = 0x02,  // begin in RECORDING instead of WAITING
    };
    enum StopReason {
        kStopByOwner = 0,    // Stop(), or not stopped yet
        kStopMaxTime = 1,    // the sink reached the max time
        kStopSinkFailed = 2, // the sink could not take a buffer (disk full, file error)
        kStopDeviceFailed = 3,  // Restart could not open the device again
    };

    LSoundRecorder();
    ~LSoundRecorder() override;

    // Starts a take into sink (its rate and channel count are the recording
    // format), appending at the sink's position. stopDelayMs: silence longer
    // than this pauses a voice-activated recording; thresholdDb: the level
    // at which recording starts (-127 records from the first buffer and
    // never pauses); maxTimeMs: 0 for no limit, else compared with all the
    // sink holds. False, with the sink released, for an empty or failed
    // sink, no report window, or a device that cannot be opened.
    bool Start(const LSoundSinkPtr& sink, uint32_t flags, int32_t stopDelayMs, int32_t thresholdDb,
               int32_t maxTimeMs);
    // Releases a worker started with kStartHeld into recording.
    void Go() { sigGo.Set(); }
    // Throws away what this take recorded (the sink back to frame 0) and
    // waits for sound again.
    void Restart();
    // Ends the take, keeping 50 ms after the last loud buffer, and releases
    // the sink (a cut-list writer then delivers its audio). NotifyStop.
    void Stop();

    int32_t GetState() const { return core.GetState(); }  // LRecorderState
    LChannelLevels GetLevels() const { return core.GetLevels(); }
    int32_t GetLastLoud() const { return core.GetLastLoud(); }
    StopReason GetStopReason() const { return eStopReason; }
    HWND GetReportWindow() const { return hReportWindow; }

    void SetDevice(int8_t device) { iDevice = device; }
    int8_t GetDevice() const { return iDevice; }
    // Null makes the recorder its own (silent) listener again.
    void SetListener(LSoundRecorderNotify* listener) { pListener = listener ? listener : this; }
    void SetListenerParam(uint32_t param) { nListenerParam = param; }

protected:
    void ThreadFunction() override;

private:
    static LRESULT CALLBACK ReportProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Notify();
    void StartWorker(DWORD waitMs);
    void StopFor(StopReason reason);

    HWND hReportWindow = nullptr;
    int8_t iDevice = 0;
    LSoundRecorderNotify* pListener;
    uint32_t nListenerParam = 0;
    LRecorderCore core;
    LSignalObject sigStarted;  // the worker has opened the device, or failed to
    LSignalObject sigGo;       // releases the worker into recording
    StopReason eStopReason = kStopByOwner;
};

}  // namespace sondrel
