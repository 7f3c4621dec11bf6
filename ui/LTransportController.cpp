#include "ui/LTransportController.h"

#include "core/LSoundTime.h"
#include "effects/LSRCTimeStretch.h"

namespace sondrel {

LTransportController::LTransportController(LTransportPlayer& player, LTransportView& view,
                                           std::function<LSoundSourcePtr()> getSource)
    : rPlayer(player), rView(view), fnGetSource(std::move(getSource)) {}

void LTransportController::Remember(LSoundSourceBase& source) {
    nRate = source.nSampleRate;
    nLengthFrames = source.GetLength();
    nLengthMs = LSoundTime::FromSamples(nLengthFrames, nRate).ms;
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
    if (!rPlayer.Start(src, 0)) rView.ShowPlayFailed();
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
    if ((forward && bFwdScan) || (!forward && bBackScan)) return;
    if (bFwdScan || bBackScan) CmBackFwdStop();
    eModeBefore = ModeOf(rPlayer.State());
    rPlayer.Stop();
    LSoundSourcePtr src = fnGetSource();
    if (src->HasError()) return;
    Remember(*src);
    src->Seek(LSoundTime(nPositionMs).GetSamples(nRate));
    LScanSpeed speed = ScanSpeed(forward, eModeBefore);
    LSoundSourcePtr scan = LSPTimeStretch(speed.dFactor, speed.dTarget, kScanRampMs).OpenSource(src);
    if (!rPlayer.Start(scan, 0)) {
        rView.ShowPlayFailed();
        return;
    }
    (forward ? bFwdScan : bBackScan) = true;
}

void LTransportController::CmBack() { StartScan(false); }
void LTransportController::CmFwd() { StartScan(true); }

void LTransportController::CmBackFwdStop() {
    if (!bBackScan && !bFwdScan) return;
    rPlayer.Stop();
    bBackScan = bFwdScan = false;
    if (eModeBefore == kModeScrubbing) {
        CmScrub();
    } else if (eModeBefore == kModePlaying) {
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
        case 2:
            if (rPlayer.State() & kPlayerOpen) {
                rPlayer.Seek(clickedSample);
            } else {
                ShowPosition(LSoundTime::FromSamples(clickedSample, nRate).ms);
            }
            break;
        case 4: CmFwd(); break;
        case 6: CmBack(); break;
        case 5:
        case 7: CmBackFwdStop(); break;
        default: break;
    }
}

void LTransportController::Scroll(int32_t request, int32_t thumb) {
    int32_t target;
    if (!ScrollTarget(request, thumb, nPositionMs, nLengthMs, target)) return;
    ShowPosition(target);
    if (rPlayer.State() & kPlayerOpen) rPlayer.Seek(LSoundTime(nPositionMs).GetSamples(nRate));
}

void LTransportController::NotifyState() { rView.ShowChecks(ChecksOf(rPlayer.State())); }

}  // namespace sondrel
