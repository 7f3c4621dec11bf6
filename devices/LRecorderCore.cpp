#include "devices/LRecorderCore.h"

#include <algorithm>
#include <cstring>

#include "core/LSample.h"

namespace sondrel {

bool LRecorderCore::Begin(const LSoundSinkPtr& sink, bool recordAtOnce, int32_t stopDelayMs, int32_t thresholdDb,
                          int32_t maxTimeMs) {
    if (!sink || sink->HasError()) return false;
    pSink = sink;
    nChans = std::max<int32_t>(pSink->nChans, 1);
    nRate = pSink->nSampleRate;
    {
        std::lock_guard<std::mutex> lock(mtxLevels);
        levels = LChannelLevels();
        levels.nCount = uint8_t(std::min(nChans, 255));
    }
    iMaxTime = maxTimeMs;
    iStartThreshold = std::clamp(thresholdDb, -127, 127);
    iStopThreshold = std::clamp(thresholdDb - 5, -127, 127);
    iStopDelay = stopDelayMs;
    iLastLoud = SinkMs();
    ClearFlags();
    iState = recordAtOnce ? kRecorderRecording : kRecorderWaiting;
    return true;
}

void LRecorderCore::Prepare() {
    nChans = pSink ? std::max<int32_t>(pSink->nChans, 1) : 1;
    nRate = pSink ? pSink->nSampleRate : 44100;
    nFrames = DeviceBufferFrames(nRate);
    dcFilter.Setup(nRate, nChans);
    work.assign(size_t(nFrames) * nChans, 0);
    holdBack.assign(size_t(nFrames) * nChans, 0);
    bHoldBackFull = false;
    ClearFlags();
}

void LRecorderCore::ClearFlags() {
    bLevelsPending = false;
    bStateChanged = false;
    bMaxTimeReached = false;
    bSinkFailed = false;
}

void LRecorderCore::LoadBuffer(const int16_t* pcm) { ConvertFromPCM16(pcm, work.data(), nFrames * nChans); }

bool LRecorderCore::Put(const int32_t* samples, int32_t frames, int32_t restorePosition) {
    pSink->Write(samples, frames);
    if (!pSink->HasError()) return true;
    // Whatever part of this buffer went out is incomplete: the take ends
    // with the last whole buffer before it.
    pSink->Seek(restorePosition);
    bSinkFailed = true;
    return false;
}

void LRecorderCore::HoldBack() {
    std::copy(work.begin(), work.end(), holdBack.begin());
    bHoldBackFull = true;
}

void LRecorderCore::ProcessBuffer() {
    if (bSinkFailed || !pSink) return;
    const int32_t f = nFrames;
    dcFilter.Apply(work.data(), f);
    LChannelLevels lv;
    RecorderLevels(work.data(), f, nChans, lv);
    const int32_t level = DecisiveLevel(lv);
    const int32_t before = pSink->nPosition;

    if (iState == kRecorderWaiting) {
        if (level < iStartThreshold) {
            HoldBack();
        } else {
            RecorderLevels(work.data(), f / 2, nChans, lv);
            bool ok;
            if (DecisiveLevel(lv) < iStartThreshold || !bHoldBackFull)
                ok = Put(work.data(), f, before);
            else
                ok = Put(holdBack.data() + size_t(f / 2) * nChans, f - f / 2, before) && Put(work.data(), f, before);
            if (ok) {
                // The buffer that starts the recording is loud: without this
                // a short sound followed by quiet would be trimmed away at
                // Stop or overwritten at the next voice stop.
                iLastLoud = SinkMs();
                iState = kRecorderRecording;
                bStateChanged = true;
            }
        }
    } else if (iState == kRecorderRecording) {
        if (Put(work.data(), f, before)) {
            const int32_t t = SinkMs();
            if (level < iStopThreshold) {
                if (t - iLastLoud > iStopDelay) {
                    // Never forward past what was written (a stop delay
                    // shorter than the 450 ms kept).
                    int32_t keep = std::min(iLastLoud + kPauseKeepMs, t);
                    pSink->Seek(MsToFrames(keep, nRate));
                    iState = kRecorderWaiting;
                    HoldBack();
                    bStateChanged = true;
                }
            } else {
                iLastLoud = t;
            }
            if (iMaxTime > 0 && t > iMaxTime) bMaxTimeReached = true;
        }
    }
    {
        std::lock_guard<std::mutex> lock(mtxLevels);
        levels = lv;
    }
    bLevelsPending = true;
}

void LRecorderCore::WriteTail(const int16_t* pcm, int32_t frames) {
    if (iState != kRecorderRecording || bSinkFailed || !pSink || frames <= 0 || frames > nFrames) return;
    ConvertFromPCM16(pcm, work.data(), frames * nChans);
    // Filtered like the rest, so the end of the take does not jump by the
    // offset the filter had removed.
    dcFilter.Apply(work.data(), frames);
    Put(work.data(), frames, pSink->nPosition);
}

void LRecorderCore::Restart() {
    if (pSink) pSink->Seek(0);
    iLastLoud = 0;
    iState = kRecorderWaiting;
}

void LRecorderCore::Finish() {
    int32_t keep = iLastLoud + kOnsetKeepMs;
    if (pSink && keep < SinkMs()) pSink->Seek(MsToFrames(keep, nRate));
    pSink.Reset();
    iLastLoud = 0;
    iState = kRecorderStopped;
}

LChannelLevels LRecorderCore::GetLevels() const {
    std::lock_guard<std::mutex> lock(mtxLevels);
    return levels;
}

}  // namespace sondrel
