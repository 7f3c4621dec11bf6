// Plays one sample source through a wave-out device. A worker keeps a ring
// of 64 device buffers (100 ms each) filled from the source; a hidden
// report window carries position and level reports from the worker to the
// user-interface thread, where the listener hears them (see
// LSoundPlayerNotify for the calls and their order). Speed changes and
// scanning belong to the source chain the owner builds; the volume belongs
// to the mixer.
//
// All public operations are for the user-interface thread, which must pump
// messages for the reports to arrive. The player stops itself at the end of
// the source (reporting the end position first) and when the device stops
// returning buffers; the worker never closes the device itself.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "core/LSoundStream.h"
#include "devices/LSoundPlayerNotify.h"
#include "devices/LThread.h"

namespace sondrel {

// One ring slot: the device header and the levels of the audio it holds.
// dwUser carries the source position at the end of that audio, or
// kNoReport when the buffer holds nothing to report.
struct LSoundPlayerWaveHeader {
    static constexpr DWORD_PTR kNoReport = 0x80000000;
    uint32_t nAllocated = 0;  // bytes
    WAVEHDR hdr = {};
    LChannelLevels levels;
};

class LSoundPlayer : public LThread, public LSoundPlayerNotify {
public:
    static constexpr int kRingSize = 64;
    static constexpr int kPreFillBuffers = 42;
    static constexpr int kMaxWaits = 64;  // a stop is asked after more consecutive waits
    static constexpr DWORD kStallWaitMs = 150;
    static constexpr UINT kReportMessage = WM_USER;

    // State flags.
    enum : uint16_t {
        kClosed = 0,
        kOpen = 0x01,
        kPaused = 0x02,
        kCueing = 0x04,
        kPreFilling = 0x08,  // device held paused until 42 buffers are queued
        kTakeOff = 0x10,     // the ring is being filled
    };
    // Start flags.
    enum : uint32_t {
        kStartPaused = 0x01,
        kStartPreFilled = 0x02,
    };

    LSoundPlayer();
    ~LSoundPlayer() override;

    // Plays source from its current position: opens the device (the set
    // device number, then through the wave mapper), puts a peak limiter in
    // front of a source that can exceed 16-bit full scale, and starts the
    // worker. False, with the player closed, when there is no report
    // window, the source or the limiter carries its error flag, or the
    // device refuses both attempts.
    bool Start(const LSoundSourcePtr& source, uint32_t flags);
    // Closes the device and releases the source; NotifyStop. Nothing when closed.
    void Stop();
    void Pause();
    // Plays on from a pause, or right after the cue snippet.
    void Play();
    // Jumps to a source position (frames), keeping pause and cue.
    void Seek(int32_t sample);
    // Loops a 25 ms snippet at the current position (scrubbing) until Play.
    void Cue();

    uint16_t GetState() const { return nState; }
    bool IsOpen() const { return (nState & kOpen) != 0; }
    // Last reported position, in frames of the source.
    int32_t GetPosition() const { return iPosition; }
    LChannelLevels GetLevels() const;
    // Frames per device buffer of the current play (0 when closed).
    int32_t GetBufferFrames() const { return nSamplesPerBuffer; }
    HWND GetReportWindow() const { return hReportWindow; }
    // How long the worker sleeps on a slot the device still owns before it
    // looks again (150 ms); tests shorten it to reach the stall rule quickly.
    void SetStallWait(DWORD ms) { nStallWaitMs = ms; }

    void SetDevice(int8_t device) { iDevice = device; }
    int8_t GetDevice() const { return iDevice; }
    // Null makes the player its own (silent) listener again.
    void SetListener(LSoundPlayerNotify* listener) { pListener = listener ? listener : this; }
    void SetListenerParam(uint32_t param) { nListenerParam = param; }

protected:
    void ThreadFunction() override;

private:
    static LRESULT CALLBACK ReportProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Notify();
    void CueBuffer(LChannelLevels& snippetLevels);
    // Fills slot h from the source (the worker's step for a free slot).
    void FillSlot(LSoundPlayerWaveHeader& h, int32_t todo);
    bool AllSlotsFree() const;
    void ResetRing();
    int32_t ToMs(int32_t frames) const;
    void PostReport();

    CRITICAL_SECTION cs;
    LSignalObject sigBuffer;  // set by the device whenever it returns a buffer
    HWND hReportWindow = nullptr;
    int8_t iDevice = 0;
    LSoundPlayerNotify* pListener;
    uint32_t nListenerParam = 0;
    std::atomic<int32_t> iPosition{0};
    std::atomic<uint16_t> nState{kClosed};
    std::atomic<bool> bNotifyStop{false};
    std::atomic<bool> bNotifyPosition{false};
    HGLOBAL hAudio = nullptr;
    int16_t* pAudio = nullptr;
    LSoundSourcePtr pSource;
    LChannelLevels levels;
    std::vector<int32_t> conversion;
    HWAVEOUT hWaveOut = nullptr;
    int32_t nSamplesPerBuffer = 0;
    uint8_t nChans = 1;
    LSoundPlayerWaveHeader ring[kRingSize];
    uint8_t nCurrent = 0;
    int32_t nWaits = 0;
    int32_t iCueEnd = 0;  // source position after the cue snippet
    DWORD nStallWaitMs = kStallWaitMs;
};

}  // namespace sondrel
