// The transport dialog's behaviour without the dialog: what Play, Scrub,
// Stop, Go to start / end, Rewind and Forward (the scans), the scroll bar,
// the wave window's notifications and the player's reports do. The Win32
// dialog (ui/win32/LPlayerBaseDlg) turns buttons, keys and messages into
// these calls and shows what the controller asks through LTransportView;
// the player is reached through LPlayer, whose reports come back here.
#pragma once
#include <cstdint>
#include <functional>

#include "core/LSoundStream.h"
#include "ui/LTransportModel.h"

namespace sondrel {

// What the transport shows.
class LTransportView {
public:
    virtual ~LTransportView() = default;
    virtual void ShowTime(int32_t ms) = 0;
    virtual void ShowScroll(int32_t position) = 0;
    virtual void ShowChecks(const LTransportChecks& checks) = 0;
    virtual void ShowLevels(const int8_t* levels, int32_t count) = 0;
    // The wave window and its scan worker.
    virtual bool WaveScanRunning() = 0;
    virtual void WaveStartScan(const LSoundSourcePtr& source) = 0;  // length, marks, worker
    virtual void WaveCursor(int32_t sample, int32_t length) = 0;
    virtual void WaveRequestView(int32_t start, int32_t length) = 0;
    // The player could not start a source that was fine (no device, or
    // the device refused it).
    virtual void ShowPlayFailed() = 0;
};

class LTransportController : public LPlayerListener {
public:
    // getSource: a counted reference to the source to be played, positioned
    // at its start (the subclass's GetSource).
    LTransportController(LPlayer& player, LTransportView& view, std::function<LSoundSourcePtr()> getSource);

    void CmPlay();
    void CmPlayAndEnd();         // Alt+F9
    void CmScrub();
    void CmToggleScrubPlay();    // Space
    void CmStop();
    void CmStart();
    void CmEnd();
    void CmBack();
    void CmFwd();
    void CmBackFwdStop();
    void StartWaveScan();

    // The wave window's notifications (codes 2, 4..7) with its cursor.
    void WaveNotify(int32_t code, int32_t clickedSample);
    // WM_HSCROLL of the position scroll bar.
    void Scroll(int32_t request, int32_t thumb);

    // The player's reports (as its listener): play, stop, cue and pause
    // check the buttons.
    void PlayerState(uint16_t state) override;
    void PlayerPosition(int32_t ms) override { ShowPosition(ms); }
    void PlayerLevels(const int8_t* levels, int32_t count) override { rView.ShowLevels(levels, count); }

    void ShowPosition(int32_t ms);
    // The length while the audio grows (a recording), in frames at a rate;
    // the next Play or wave scan takes it from the source again.
    void SetLength(int32_t frames, int32_t rate);

    int32_t PositionMs() const { return nPositionMs; }
    int32_t LengthMs() const { return nLengthMs; }
    int32_t Rate() const { return nRate; }
    bool BackScanning() const { return scans.Running(false); }
    bool ForwardScanning() const { return scans.Running(true); }
    LTransportMode ModeBeforeScan() const { return scans.Before(); }

private:
    void Remember(LSoundSourceBase& source);
    void StartScan(bool forward);

    LPlayer& rPlayer;
    LTransportView& rView;
    std::function<LSoundSourcePtr()> fnGetSource;
    int32_t nPositionMs = 0;
    int32_t nLengthMs = 0;
    int32_t nLengthFrames = 0;
    int32_t nRate = 44100;
    LScans scans;
};

}  // namespace sondrel
