// The sound recorder's rules without the device: what happens to each
// 100 ms buffer that the wave-in device returns (DC filter, levels, the
// voice rule that decides what is written and what is held back), and the
// trims at a voice stop and at Stop. The Win32 recorder feeds it device
// buffers from its worker; the tests feed it synthetic ones.
//
// Voice rule, with L the decisive level of a buffer:
//   WAITING    L below the start threshold: the buffer is held back, nothing
//              is written. Otherwise the buffer is written and the state
//              becomes RECORDING; when the first half of the buffer is loud
//              already, the last 50 ms of the held-back buffer go in front
//              of it, so that a sound that began just before keeps its onset.
//   RECORDING  every buffer is written. A buffer at or above the stop
//              threshold (start - 5 dB) is loud: last loud = the end of what
//              the sink holds. After more than the stop delay without a loud
//              buffer, the sink goes back to 450 ms after the last loud
//              buffer and the state returns to WAITING.
// Stop keeps 50 ms after the last loud buffer. Max time is compared with
// everything the sink holds, including what it held before Start.
//
// A sink that fails while recording (its error flag set by a Write) is
// taken back to where it stood before that buffer and nothing more is
// written to it; the owner learns of it through SinkFailed().
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "core/LSoundStream.h"
#include "devices/LDeviceMath.h"

namespace sondrel {

enum LRecorderState : int32_t {
    kRecorderStopped = 0,
    kRecorderWaiting = 1,
    kRecorderRecording = 2,
};

class LRecorderCore {
public:
    static constexpr int32_t kOnsetKeepMs = 50;   // before a loud first half, and after the last loud buffer at Stop
    static constexpr int32_t kPauseKeepMs = 450;  // kept after the last loud buffer at a voice stop

    // The start of a take: false, changing nothing, for an empty sink or one
    // that carries its error flag. Otherwise takes the sink and sets the
    // thresholds (stop = threshold - 5, both clamped to -127..127), last loud
    // (what the sink already holds) and the state.
    bool Begin(const LSoundSinkPtr& sink, bool recordAtOnce, int32_t stopDelayMs, int32_t thresholdDb,
               int32_t maxTimeMs);
    // The worker's set-up before the device starts: format, buffers (all
    // allocation happens here), DC filter, hold-back buffer empty, flags clear.
    void Prepare();
    int32_t Channels() const { return nChans; }
    int32_t SampleRate() const { return nRate; }
    int32_t FramesPerBuffer() const { return nFrames; }

    // One full device buffer (FramesPerBuffer frames of 16-bit PCM) into the
    // work buffer; the device can have the buffer back right after.
    void LoadBuffer(const int16_t* pcm);
    // DC filter, levels and the voice rule over the loaded buffer.
    void ProcessBuffer();
    // A partly filled buffer the device returned when it was stopped: written
    // (DC-filtered, not measured) only while RECORDING.
    void WriteTail(const int16_t* pcm, int32_t frames);

    // Restart: the sink back to frame 0, last loud 0, WAITING.
    void Restart();
    // Stop's trim: keep 50 ms after the last loud buffer (nothing is removed
    // when the recording was loud to its end), release the sink, stopped.
    void Finish();
    // The worker could not open the device.
    void SetStopped() { iState = kRecorderStopped; }

    int32_t GetState() const { return iState; }
    int32_t GetLastLoud() const { return iLastLoud; }
    LChannelLevels GetLevels() const;
    const LSoundSinkPtr& GetSink() const { return pSink; }
    void ReleaseSink() { pSink.Reset(); }

    // Flags the worker raises for the report window; Take* clears and returns.
    bool TakeLevelsPending() { return bLevelsPending.exchange(false); }
    bool TakeStateChanged() { return bStateChanged.exchange(false); }
    bool MaxTimeReached() const { return bMaxTimeReached; }
    bool SinkFailed() const { return bSinkFailed; }
    void ClearFlags();

private:
    bool Put(const int32_t* samples, int32_t frames, int32_t restorePosition);
    int32_t SinkMs() const { return FramesToMs(pSink->nPosition, nRate); }
    void HoldBack();

    LSoundSinkPtr pSink;
    std::atomic<int32_t> iState{kRecorderStopped};
    std::atomic<int32_t> iLastLoud{0};
    int32_t iMaxTime = 0;
    int32_t iStartThreshold = 0;
    int32_t iStopThreshold = -5;
    int32_t iStopDelay = 0;

    int32_t nChans = 1;
    int32_t nRate = 44100;
    int32_t nFrames = 4410;
    LDCFilter dcFilter;
    std::vector<int32_t> work;
    std::vector<int32_t> holdBack;
    bool bHoldBackFull = false;

    mutable std::mutex mtxLevels;
    LChannelLevels levels;

    std::atomic<bool> bLevelsPending{false};
    std::atomic<bool> bStateChanged{false};
    std::atomic<bool> bMaxTimeReached{false};
    std::atomic<bool> bSinkFailed{false};
};

}  // namespace sondrel
