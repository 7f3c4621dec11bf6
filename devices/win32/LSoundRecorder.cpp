#include "devices/win32/LSoundRecorder.h"

#include <algorithm>

#include "devices/win32/LReportWindow.h"

namespace sondrel {

namespace {

const char kClassName[] = "LWSoundRecorder";

}  // namespace

LSoundRecorder::LSoundRecorder() : pListener(this) {
    hReportWindow = CreateReportWindow(kClassName, ReportProc, this);
}

LSoundRecorder::~LSoundRecorder() {
    Stop();
    if (hReportWindow) DestroyWindow(hReportWindow);
    core.ReleaseSink();
    StopThreadTimed(5000);
}

LRESULT CALLBACK LSoundRecorder::ReportProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kReportMessage) {
        if (auto* r = ReportWindowOwner<LSoundRecorder>(hwnd)) r->Notify();
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void LSoundRecorder::StartWorker(DWORD waitMs) {
    sigStarted.Reset();
    LThread::Start(CurrentThreadPriority());
    // A slow device is not a failure by itself: only the stopped state counts.
    sigStarted.Wait(waitMs);
}

bool LSoundRecorder::Start(const LSoundSinkPtr& sink, uint32_t flags, int32_t stopDelayMs, int32_t thresholdDb,
                           int32_t maxTimeMs) {
    if (core.GetState() != kRecorderStopped) Stop();
    if (!hReportWindow) return false;
    if (!core.Begin(sink, (flags & kStartRecording) != 0, stopDelayMs, thresholdDb, maxTimeMs)) return false;
    eStopReason = kStopByOwner;
    if (flags & kStartHeld)
        sigGo.Reset();
    else
        sigGo.Set();
    StartWorker(1500);
    if (core.GetState() == kRecorderStopped) {
        // The worker could not open the device.
        StopThreadTimed(5000);
        core.ReleaseSink();
        return false;
    }
    if (flags & kStartRecording)
        pListener->NotifyRecord(nListenerParam);
    else
        pListener->NotifyWaiting(nListenerParam);
    pListener->NotifyPosition(nListenerParam, core.GetLastLoud());
    return true;
}

void LSoundRecorder::Restart() {
    if (core.GetState() == kRecorderStopped) return;
    StopThreadTimed(5000);
    if (core.SinkFailed() || core.GetSink()->HasError()) {
        // Starting over into a sink that already failed would record into nothing.
        StopFor(kStopSinkFailed);
        return;
    }
    core.Restart();
    sigGo.Set();
    StartWorker(700);
    if (core.GetState() == kRecorderStopped) {
        core.ReleaseSink();
        core.ClearFlags();
        eStopReason = kStopDeviceFailed;
        pListener->NotifyStop(nListenerParam);
        return;
    }
    pListener->NotifyWaiting(nListenerParam);
    pListener->NotifyPosition(nListenerParam, 0);
}

void LSoundRecorder::Stop() {
    if (core.GetState() == kRecorderStopped) return;
    StopThreadTimed(5000);
    // Also when the owner stops before the failure's report arrived.
    if (core.SinkFailed()) eStopReason = kStopSinkFailed;
    core.Finish();
    // Reports still on their way describe the take that just ended.
    core.ClearFlags();
    pListener->NotifyStop(nListenerParam);
}

void LSoundRecorder::StopFor(StopReason reason) {
    eStopReason = reason;
    Stop();
}

void LSoundRecorder::Notify() {
    if (core.GetState() == kRecorderStopped) return;
    if (core.SinkFailed()) {
        StopFor(kStopSinkFailed);
        return;
    }
    if (core.MaxTimeReached()) {
        StopFor(kStopMaxTime);
        return;
    }
    if (core.TakeLevelsPending()) {
        pListener->NotifyPosition(nListenerParam, core.GetLastLoud());
        pListener->NotifyLevels(nListenerParam, core.GetLevels());
    }
    if (core.TakeStateChanged()) {
        if (core.GetState() == kRecorderWaiting)
            pListener->NotifyWaiting(nListenerParam);
        else
            pListener->NotifyRecord(nListenerParam);
    }
}

void LSoundRecorder::ThreadFunction() {
    core.Prepare();
    const int32_t chans = core.Channels();
    const int32_t rate = core.SampleRate();
    const int32_t frames = core.FramesPerBuffer();

    LSignalObject sigBuffer;  // the device sets it whenever it returns a buffer
    WAVEFORMATEX fmt;
    ZeroMemory(&fmt, sizeof fmt);
    fmt.wFormatTag = WAVE_FORMAT_PCM;
    fmt.nChannels = WORD(chans);
    fmt.nSamplesPerSec = DWORD(rate);
    fmt.wBitsPerSample = 16;
    fmt.nBlockAlign = WORD(chans * 2);
    fmt.nAvgBytesPerSec = fmt.nBlockAlign * DWORD(rate);
    UINT device = UINT(int(iDevice));  // -1 is the wave mapper
    DWORD_PTR event = reinterpret_cast<DWORD_PTR>(sigBuffer.Handle());
    HWAVEIN h = nullptr;
    if (waveInOpen(&h, device, &fmt, event, 0, CALLBACK_EVENT) != MMSYSERR_NOERROR &&
        waveInOpen(&h, device, &fmt, event, 0, CALLBACK_EVENT | WAVE_MAPPED) != MMSYSERR_NOERROR) {
        core.SetStopped();
        sigStarted.Set();
        return;
    }
    waveInStop(h);

    // Everything is allocated before the device starts.
    const DWORD bytes = DWORD(frames) * DWORD(chans) * 2;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, SIZE_T(bytes) * kBufferCount);
    char* data = mem ? static_cast<char*>(GlobalLock(mem)) : nullptr;
    if (!data) {
        if (mem) GlobalFree(mem);
        waveInClose(h);
        core.SetStopped();
        sigStarted.Set();
        return;
    }
    WAVEHDR hdr[kBufferCount];
    for (int i = 0; i < kBufferCount; ++i) {
        ZeroMemory(&hdr[i], sizeof hdr[i]);
        hdr[i].lpData = data + SIZE_T(bytes) * i;
        hdr[i].dwBufferLength = bytes;
        waveInPrepareHeader(h, &hdr[i], sizeof hdr[i]);
        waveInAddBuffer(h, &hdr[i], sizeof hdr[i]);
    }
    sigStarted.Set();

    int i = 0;
    if (sigGo.WaitSignalDual(StopSignal(), kWaitForever) == LSignalObject::kSignalThis) {
        SetPriority(kPriorityHighest);
        waveInStart(h);
        while (!IsToStop()) {
            sigBuffer.Reset();
            if (!(hdr[i].dwFlags & WHDR_DONE)) {
                sigBuffer.WaitSignalDual(StopSignal(), kStallWaitMs);
                continue;
            }
            // Copied out and given straight back, then worked on.
            core.LoadBuffer(reinterpret_cast<const int16_t*>(hdr[i].lpData));
            hdr[i].dwFlags &= ~WHDR_DONE;
            waveInAddBuffer(h, &hdr[i], sizeof hdr[i]);
            core.ProcessBuffer();
            PostMessageA(hReportWindow, kReportMessage, 0, 0);
            if (core.SinkFailed()) break;  // the report window stops the recorder
            i = (i + 1) % kBufferCount;
        }
    }
    waveInReset(h);
    // What the device still held when it was stopped: written only while
    // recording (the core refuses otherwise, and after a sink failure).
    for (int n = 0; n < kBufferCount && (hdr[i].dwFlags & WHDR_DONE); ++n) {
        hdr[i].dwFlags &= ~WHDR_DONE;
        int32_t got = int32_t(hdr[i].dwBytesRecorded / 2 / DWORD(chans));
        core.WriteTail(reinterpret_cast<const int16_t*>(hdr[i].lpData), got);
        i = (i + 1) % kBufferCount;
    }
    for (WAVEHDR& hd : hdr) waveInUnprepareHeader(h, &hd, sizeof hd);
    GlobalUnlock(mem);
    GlobalFree(mem);
    waveInClose(h);
}

}  // namespace sondrel
