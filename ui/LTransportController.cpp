#include "ui/LTransportController.h"

#include "core/LSoundTime.h"
#include "ui/LWaveView.h"

namespace sondrel {

LTransportController::LTransportController(LPlayer& player, LTransportView& view,
                                           std::function<LSoundSourcePtr()> getSource)
    : rPlayer(player), rView(view), fnGetSource(std::move(getSource)) {}

void LTransportController::Remember(LSoundSourceBase& source) {
    nRate = source.nSampleRate;
    nLengthFrames = source.GetLength();
    nLengthMs = LSoundTime::FromSamples(nLengthFrames, nRate).ms;
}

void LTransportController::SetLength(int32_t frames, int32_t rate) {
    nRate = rate;
    nLengthFrames = frames;
    nLengthMs = LSoundTime::FromSamples(frames, rate).ms;
}

void LTransportController::ShowPosition(int32_t ms) {
    const bool scrubbing = ModeOf(rPlayer.State()) == kModeScrubbing;
    LShownPosition p = sondrel::ShowPosition(ms, nLengthMs, nRate, scrubbing);
    nPositionMs = p.nMs;
    rView.ShowTime(p.nMs);
    rView.ShowScroll(p.nScroll);
    if (rView.WaveScanRunning()) {
        rView.WaveCursor(p.nCursor, p.nCursorLength);
        rView.WaveRequestView(p.nViewStart, p.nViewLength);
    }
}

void LTransportController::CmPlay() {
    if (ModeOf(rPlayer.State()) == kModeScrubbing) {
        rPlayer.Play();  // on from the scrub point
        return;
    }
    rPlayer.Stop();
    LSoundSourcePtr src = fnGetSource();
    if (src->HasError()) return;  // nothing to play, and nothing to say
    Remember(*src);
    src->Seek(LSoundTime(nPositionMs).GetSamples(nRate));
    if (!rPlayer.Start(src)) rView.ShowPlayFailed();
}

void LTransportController::CmPlayAndEnd() {
    CmPlay();
    CmEnd();
}

void LTransportController::CmScrub() {
    if (ModeOf(rPlayer.State()) == kModeStopped) CmPlay();
    rPlayer.Cue();
}

void LTransportController::CmToggleScrubPlay() {
    if (ModeOf(rPlayer.State()) == kModeScrubbing) {
        CmPlay();
    } else {
        CmScrub();
    }
}

void LTransportController::CmStop() { rPlayer.Stop(); }

void LTransportController::CmStart() {
    ShowPosition(0);
    rPlayer.Seek(0);
}

void LTransportController::CmEnd() {
    CmScrub();
    rPlayer.Seek(nLengthFrames);
}

void LTransportController::StartScan(bool forward) {
    if (scans.Running(forward)) return;
    if (scans.Any()) CmBackFwdStop();
    const LScanSpeed speed = scans.Begin(forward, rPlayer.State());
    rPlayer.Stop();
    LSoundSourcePtr src = fnGetSource();
    if (src->HasError()) return;
    Remember(*src);
    src->Seek(LSoundTime(nPositionMs).GetSamples(nRate));
    if (!rPlayer.Start(ScanSource(src, speed))) {
        rView.ShowPlayFailed();
        return;
    }
    scans.Started(forward);
}

void LTransportController::CmBack() { StartScan(false); }
void LTransportController::CmFwd() { StartScan(true); }

void LTransportController::CmBackFwdStop() {
    if (!scans.Any()) return;
    rPlayer.Stop();
    const LTransportMode resume = scans.End();
    if (resume == kModeScrubbing) {
        CmScrub();
    } else if (resume == kModePlaying) {
        CmPlay();
    }
}

void LTransportController::StartWaveScan() {
    if (rView.WaveScanRunning()) return;
    LSoundSourcePtr src = fnGetSource();
    Remember(*src);
    rView.WaveStartScan(src);
    ShowPosition(nLengthMs);
}

void LTransportController::WaveNotify(int32_t code, int32_t clickedSample) {
    switch (code) {
        case kWaveNotifyReleased:
            if (rPlayer.State() & kPlayerOpen) {
                rPlayer.Seek(clickedSample);
            } else {
                ShowPosition(LSoundTime::FromSamples(clickedSample, nRate).ms);
            }
            break;
        case kWaveNotifyPastRight: CmFwd(); break;
        case kWaveNotifyPastLeft: CmBack(); break;
        case kWaveNotifyBackRight:
        case kWaveNotifyBackLeft: CmBackFwdStop(); break;
        default: break;
    }
}

void LTransportController::Scroll(int32_t request, int32_t thumb) {
    int32_t target;
    if (!ScrollTarget(request, thumb, nPositionMs, nLengthMs, target)) return;
    ShowPosition(target);
    if (rPlayer.State() & kPlayerOpen) rPlayer.Seek(LSoundTime(nPositionMs).GetSamples(nRate));
}

void LTransportController::PlayerState(uint16_t state) { rView.ShowChecks(ChecksOf(state)); }

}  // namespace sondrel
