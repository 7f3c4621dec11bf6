#include "devices/win32/LSoundPlayer.h"

#include <algorithm>

#include "devices/win32/LReportWindow.h"

#include "core/LSRCPeakLimit.h"
#include "core/LSample.h"
#include "support/win32/LCriticalSectionLock.h"

namespace sondrel {

namespace {

const char kClassName[] = "LWSoundPlayer";

}  // namespace

LSoundPlayer::LSoundPlayer() : pListener(this) {
    InitializeCriticalSection(&cs);
    hReportWindow = CreateReportWindow(kClassName, ReportProc, this);
}

LSoundPlayer::~LSoundPlayer() {
    Stop();
    if (hReportWindow) DestroyWindow(hReportWindow);
    pSource.SetNull();
    // The worker is gone (Stop ended it); the base's own stop finds nothing.
    StopThreadTimed(5000);
    DeleteCriticalSection(&cs);
}

LRESULT CALLBACK LSoundPlayer::ReportProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kReportMessage) {
        if (auto* player = ReportWindowOwner<LSoundPlayer>(hwnd)) player->Notify();
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

int32_t LSoundPlayer::ToMs(int32_t frames) const { return FramesToMs(frames, pSource->nSampleRate); }

void LSoundPlayer::PostReport() { PostMessageA(hReportWindow, kReportMessage, 0, 0); }

LChannelLevels LSoundPlayer::GetLevels() const {
    LCriticalSectionLock lock(const_cast<CRITICAL_SECTION&>(cs));
    return levels;
}

bool LSoundPlayer::Start(const LSoundSourcePtr& source, uint32_t flags) {
    Stop();
    if (!hReportWindow) return false;
    if (!source || source->HasError()) return false;
    LSoundSourcePtr src = source;
    if (src->iPeakBound > kMax16) {
        // The device takes 16 bits; louder streams are limited, not wrapped.
        LSoundSourcePtr limited(new LSRCPeakLimit(src, kMax16));
        if (limited->HasError()) return false;
        src = limited;
    }

    nChans = std::max<uint8_t>(src->nChans, 1);
    const int32_t rate = src->nSampleRate;
    WAVEFORMATEX fmt;
    ZeroMemory(&fmt, sizeof fmt);
    fmt.wFormatTag = WAVE_FORMAT_PCM;
    fmt.nChannels = nChans;
    fmt.nSamplesPerSec = DWORD(rate);
    fmt.wBitsPerSample = 16;
    fmt.nBlockAlign = WORD(nChans * 2);
    fmt.nAvgBytesPerSec = fmt.nBlockAlign * DWORD(rate);
    UINT device = UINT(int(iDevice));  // -1 is the wave mapper
    HWAVEOUT h = nullptr;
    DWORD_PTR event = reinterpret_cast<DWORD_PTR>(sigBuffer.Handle());
    if (waveOutOpen(&h, device, &fmt, event, 0, CALLBACK_EVENT) != MMSYSERR_NOERROR &&
        waveOutOpen(&h, device, &fmt, event, 0, CALLBACK_EVENT | WAVE_MAPPED) != MMSYSERR_NOERROR)
        return false;

    nSamplesPerBuffer = DeviceBufferFrames(rate);
    const uint32_t bytes = uint32_t(nChans) * uint32_t(nSamplesPerBuffer) * 2;
    hAudio = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, SIZE_T(bytes) * kRingSize);
    pAudio = hAudio ? static_cast<int16_t*>(GlobalLock(hAudio)) : nullptr;
    if (!pAudio) {
        if (hAudio) GlobalFree(hAudio);
        hAudio = nullptr;
        waveOutClose(h);
        nSamplesPerBuffer = 0;
        return false;
    }
    hWaveOut = h;
    conversion.assign(size_t(nChans) * nSamplesPerBuffer, 0);
    for (int i = 0; i < kRingSize; ++i) {
        LSoundPlayerWaveHeader& s = ring[i];
        ZeroMemory(&s.hdr, sizeof s.hdr);
        s.nAllocated = bytes;
        s.hdr.lpData = reinterpret_cast<LPSTR>(pAudio) + SIZE_T(bytes) * i;
        s.hdr.dwBufferLength = bytes;
        waveOutPrepareHeader(hWaveOut, &s.hdr, sizeof s.hdr);
        // Every slot starts free.
        s.hdr.dwFlags |= WHDR_DONE;
        s.hdr.dwUser = LSoundPlayerWaveHeader::kNoReport;
        s.levels = LChannelLevels();
    }
    pSource = src;
    levels = LChannelLevels();
    levels.nCount = nChans;

    uint16_t state = kOpen | kTakeOff;
    if (flags & (kStartPaused | kStartPreFilled)) {
        waveOutPause(hWaveOut);
        state |= (flags & kStartPaused) ? kPaused : kPreFilling;
    }
    nState = state;
    bNotifyStop = false;
    bNotifyPosition = false;
    nCurrent = 0;
    nWaits = 0;
    iPosition = pSource->GetPosition();
    LThread::Start(kPriorityBelowNormal);

    if (flags & kStartPaused)
        pListener->NotifyPause(nListenerParam);
    else
        pListener->NotifyPlay(nListenerParam);
    pListener->NotifyPosition(nListenerParam, ToMs(iPosition));
    return true;
}

void LSoundPlayer::Stop() {
    if (nState == kClosed) return;
    StopThreadTimed(5000);
    waveOutReset(hWaveOut);
    // One budget for all slots: a device that keeps a buffer is given up on.
    int budget = 1000;
    for (LSoundPlayerWaveHeader& s : ring) {
        for (;;) {
            s.hdr.dwBufferLength = s.nAllocated;
            if (waveOutUnprepareHeader(hWaveOut, &s.hdr, sizeof s.hdr) != WAVERR_STILLPLAYING || budget <= 0) break;
            Sleep(50);
            budget -= 50;
        }
    }
    GlobalUnlock(hAudio);
    GlobalFree(hAudio);
    hAudio = nullptr;
    pAudio = nullptr;
    std::vector<int32_t>().swap(conversion);
    pSource.SetNull();
    waveOutClose(hWaveOut);
    hWaveOut = nullptr;
    nSamplesPerBuffer = 0;

    nState = kClosed;
    bNotifyStop = false;
    bNotifyPosition = false;
    iPosition = 0;
    pListener->NotifyStop(nListenerParam);
}

void LSoundPlayer::Pause() {
    {
        LCriticalSectionLock lock(cs);
        if (!(nState & kOpen) || (nState & kPaused)) return;
        waveOutPause(hWaveOut);
        nState |= kPaused;
    }
    pListener->NotifyPause(nListenerParam);
}

void LSoundPlayer::Play() {
    {
        LCriticalSectionLock lock(cs);
        if (!(nState & kOpen)) return;
        if (nState & kCueing) {
            // Leave the loop by dropping it and refilling the ring from the
            // end of the snippet. Breaking the loop (waveOutBreakLoop) would
            // keep the queued buffers, but not every driver honours it for a
            // loop of one buffer (Wine's replays it for ever), and a player
            // stuck in its snippet is worse than a refill.
            ResetRing();
            pSource->Seek(iCueEnd);
            iPosition = pSource->GetPosition();
            nCurrent = 0;
            nState &= uint16_t(~kCueing);
            nState |= kTakeOff;
            SetPriority(kPriorityLowest);
            bNotifyStop = false;
            bNotifyPosition = false;
        }
        if (nState & kPaused) {
            waveOutRestart(hWaveOut);
            nState &= uint16_t(~kPaused);
        }
    }
    pListener->NotifyPlay(nListenerParam);
}

void LSoundPlayer::ResetRing() {
    waveOutReset(hWaveOut);
    for (LSoundPlayerWaveHeader& s : ring) s.hdr.dwUser = LSoundPlayerWaveHeader::kNoReport;
}

void LSoundPlayer::Seek(int32_t sample) {
    int32_t ms;
    bool cued = false;
    LChannelLevels snippet;
    {
        LCriticalSectionLock lock(cs);
        if (!(nState & kOpen)) return;
        ResetRing();
        pSource->Seek(sample);
        iPosition = pSource->GetPosition();
        if (nState & kPaused) waveOutPause(hWaveOut);
        if (nState & kCueing) {
            CueBuffer(snippet);
            cued = true;
        } else {
            nCurrent = 0;
        }
        SetPriority(kPriorityLowest);
        nState |= kTakeOff;
        bNotifyStop = false;
        bNotifyPosition = false;
        ms = ToMs(iPosition);
    }
    if (cued) pListener->NotifyLevels(nListenerParam, snippet);
    pListener->NotifyPosition(nListenerParam, ms);
}

void LSoundPlayer::Cue() {
    int32_t ms;
    LChannelLevels snippet;
    {
        LCriticalSectionLock lock(cs);
        uint16_t state = nState;
        if (!(state & kOpen)) return;
        if (state & kCueing) {
            if (state & kPaused) {
                waveOutRestart(hWaveOut);
                nState &= uint16_t(~kPaused);
            }
            return;
        }
        ResetRing();
        pSource->Seek(iPosition);
        iPosition = pSource->GetPosition();
        CueBuffer(snippet);
        nState = kOpen | kCueing | kTakeOff;
        bNotifyStop = false;
        bNotifyPosition = false;
        SetPriority(kPriorityLowest);
        ms = ToMs(iPosition);
    }
    pListener->NotifyLevels(nListenerParam, snippet);
    pListener->NotifyCue(nListenerParam);
    pListener->NotifyPosition(nListenerParam, ms);
}

void LSoundPlayer::CueBuffer(LChannelLevels& snippetLevels) {
    LSoundPlayerWaveHeader& s = ring[0];
    const int32_t q = CueSnippetFrames(nSamplesPerBuffer);
    pSource->Read(conversion.data(), q);
    auto* data = reinterpret_cast<int16_t*>(s.hdr.lpData);
    ConvertToPCM16(conversion.data(), data, q * nChans);
    FillCueBuffer(data, nSamplesPerBuffer, nChans);
    s.hdr.dwBufferLength = s.nAllocated;
    iCueEnd = pSource->GetPosition();
    s.hdr.dwUser = DWORD_PTR(uint32_t(iCueEnd));
    s.hdr.dwFlags = (s.hdr.dwFlags & ~WHDR_DONE) | WHDR_BEGINLOOP | WHDR_ENDLOOP;
    s.hdr.dwLoops = 0x7FFFFFFF;
    waveOutWrite(hWaveOut, &s.hdr, sizeof s.hdr);
    nCurrent = 1;
    PlayerLevels(conversion.data(), q, nChans, s.levels);
    levels = s.levels;
    snippetLevels = s.levels;
}

bool LSoundPlayer::AllSlotsFree() const {
    for (const LSoundPlayerWaveHeader& s : ring)
        if (!(s.hdr.dwFlags & WHDR_DONE)) return false;
    return true;
}

void LSoundPlayer::FillSlot(LSoundPlayerWaveHeader& s, int32_t todo) {
    const int32_t n = std::min(todo, nSamplesPerBuffer);
    const int32_t before = pSource->GetPosition();
    pSource->Read(conversion.data(), n);
    ConvertToPCM16(conversion.data(), reinterpret_cast<int16_t*>(s.hdr.lpData), n * nChans);
    s.hdr.dwBufferLength = DWORD(nChans) * DWORD(n) * 2;
    s.hdr.dwUser = DWORD_PTR(uint32_t(before + n));
    s.hdr.dwFlags &= ~(WHDR_DONE | WHDR_BEGINLOOP | WHDR_ENDLOOP);
    waveOutWrite(hWaveOut, &s.hdr, sizeof s.hdr);
    PlayerLevels(conversion.data(), n, nChans, s.levels);
}

void LSoundPlayer::ThreadFunction() {
    for (;;) {
        sigBuffer.Reset();
        EnterCriticalSection(&cs);
        LSoundPlayerWaveHeader& s = ring[nCurrent];
        if (!(s.hdr.dwFlags & WHDR_DONE)) {
            if (nState & kTakeOff) {
                // The ring is full: from now on the device must never starve.
                SetPriority(kPriorityTimeCritical);
                nState &= uint16_t(~kTakeOff);
            }
            // A looping cue buffer and a paused device return nothing by
            // design; only a playing device that stops returning buffers
            // is given up on.
            if (nState & (kCueing | kPaused)) {
                nWaits = 0;
            } else if (++nWaits > kMaxWaits) {
                bNotifyStop = true;
                PostReport();
            }
            LeaveCriticalSection(&cs);
            sigBuffer.WaitSignalDual(StopSignal(), nStallWaitMs);
        } else {
            nWaits = 0;
            if (s.hdr.dwUser != LSoundPlayerWaveHeader::kNoReport) {
                iPosition = int32_t(uint32_t(s.hdr.dwUser));
                levels = s.levels;
                bNotifyPosition = true;
                PostReport();
            }
            const int32_t todo = pSource->GetLength() - pSource->GetPosition();
            if (todo < 1) {
                s.hdr.dwUser = LSoundPlayerWaveHeader::kNoReport;
                if (AllSlotsFree()) {
                    bNotifyStop = true;
                    PostReport();
                    LeaveCriticalSection(&cs);
                    return;
                }
            } else {
                FillSlot(s, todo);
            }
            nCurrent = uint8_t((nCurrent + 1) % kRingSize);
            if (nCurrent == kPreFillBuffers && (nState & kPreFilling)) {
                nState &= uint16_t(~kPreFilling);
                waveOutRestart(hWaveOut);
            }
            LeaveCriticalSection(&cs);
        }
        if (IsToStop()) {
            waveOutReset(hWaveOut);
            return;
        }
    }
}

void LSoundPlayer::Notify() {
    if (!bNotifyStop && bNotifyPosition) {
        int32_t ms;
        LChannelLevels lv;
        {
            LCriticalSectionLock lock(cs);
            bNotifyPosition = false;
            ms = ToMs(iPosition);
            lv = levels;
        }
        pListener->NotifyPosition(nListenerParam, ms);
        pListener->NotifyLevels(nListenerParam, lv);
    }
    if (bNotifyStop) {
        int32_t ms;
        {
            LCriticalSectionLock lock(cs);
            ms = ToMs(pSource->GetLength());
        }
        pListener->NotifyPosition(nListenerParam, ms);
        Stop();
    }
}

}  // namespace sondrel
