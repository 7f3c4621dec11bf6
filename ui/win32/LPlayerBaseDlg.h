// The transport dialog base shared by the main window and the record
// dialog: it owns the sound player, the level meter, the wave window with
// its scan worker, the transport buttons with their bitmaps, tooltips and
// keys, the position scroll bar, the time display, the playback-device list
// and the playback volume. A subclass gives the dialog template (with the
// control ids of resource.h) and GetSource, the audio to play.
//
// Controls in the template: IDC_TRANSPORT_FILE_NAME (EDIT),
// IDC_TRANSPORT_DEVICE (COMBOBOX, drop-down list), IDC_TRANSPORT_VOLUME
// ("LDBEdit"), IDC_PLAY, IDC_SCRUB, IDC_STOP (BUTTON, BS_CHECKBOX |
// BS_PUSHLIKE | BS_BITMAP), IDC_GO_TO_START, IDC_REWIND, IDC_FORWARD,
// IDC_GO_TO_END (BUTTON, BS_BITMAP), IDC_TRANSPORT_TIME (static),
// IDC_TRANSPORT_METER ("LDBDisplay"), IDC_TRANSPORT_WAVE ("LWaveWindow"),
// IDC_TRANSPORT_POSITION (SCROLLBAR). Call RegisterTransportClasses once
// before creating the template.
//
// Keys: F9 Play, Alt+F9 Play and go to end, F10 Scrub, Space Scrub/Play
// (not while the file name has the focus), Esc Stop, Home and End, Left and
// Right held for Rewind and Forward, Enter closes.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "core/LSoundStream.h"
#include "ui/LTransportController.h"
#include "ui/LWaveScanThread.h"
#include "ui/win32/LKeyDialogBox.h"
#include "ui/win32/LWaveWindow.h"

namespace sondrel {

// The transport's stored settings (section "Player"; the owner loads and saves them).
struct LPlayerSettings {
    uint16_t nFlags = 1;  // bit 0: the file-name field is disabled; bit 1: the file name was edited
    char szFileName[260] = {};
    int8_t iDevice = 0;    // "Device"
    int8_t iVolumeDB = 0;  // "VolumeDB"

    void Load();  // flags become 1
    void Save() const;
};

bool RegisterTransportClasses(HINSTANCE instance);

// The playback volume of a wave-out device through its mixer lines.
void ApplyPlaybackVolume(int8_t device, int8_t dB);
// Makes a button report its press and its release to its parent (WM_COMMAND
// with kButtonPressed and kButtonReleased), then behave as a button.
void ReportPressAndRelease(HWND button);
// A tip for the dialog's control id in a tooltip window (the tool is the
// control's window, subclassed so that the tip follows the mouse).
void AddControlTooltip(HWND tooltip, HWND dialog, int id, const char* text);

class LPlayerBaseDlg : public LKeyDialogBox, private LTransportView {
public:
    LPlayerBaseDlg(HINSTANCE instance, LPCSTR templateName, LPlayerSettings& settings,
                   std::unique_ptr<LPlayer> player = nullptr);
    ~LPlayerBaseDlg() override;

    LTransportController& Transport() { return *pController; }
    LPlayer& Player() { return *pPlayer; }
    LWaveWindow& Wave() { return wave; }
    LWaveScanThread& WaveScan() { return scan; }
    // Shows the wave of GetSource when no scan runs yet.
    void StartWaveScan() { pController->StartWaveScan(); }
    // Changes a control's tooltip ("LPlayerBaseDlg::UpdateTool hwnd == NULL").
    void UpdateTool(int id, const char* text);

protected:
    // A counted reference to the source to play, positioned at its start.
    virtual LSoundSourcePtr GetSource() = 0;
    // Checks the transport buttons from the player's state.
    virtual void UpdateControls();
    virtual void Stop() { pController->CmStop(); }

    INT_PTR DialogMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool KeyDown(UINT vk, const LKeyState& keys) override;
    bool KeyUp(UINT vk, const LKeyState& keys) override;

    // Gives a control of the dialog its tooltip.
    void AddTool(int id, const char* text);

    LPlayerSettings& rSettings;

private:
    void Init();
    void Destroy();
    void Command(WORD id, WORD code);
    void FillDevices();

    // LTransportView
    void ShowTime(int32_t ms) override;
    void ShowScroll(int32_t position) override;
    void ShowChecks(const LTransportChecks& checks) override;
    void ShowLevels(const int8_t* levels, int32_t count) override;
    bool WaveScanRunning() override { return scan.IsRunning(); }
    void WaveStartScan(const LSoundSourcePtr& source) override;
    void WaveCursor(int32_t sample, int32_t length) override { wave.SetCursor(sample, length); }
    void WaveRequestView(int32_t start, int32_t length) override { scan.RequestView(start, length); }
    void ShowPlayFailed() override;

    std::unique_ptr<LPlayer> pPlayer;
    std::unique_ptr<LTransportController> pController;
    HWND hMeter = nullptr;
    LWaveWindow wave;
    LWaveScanThread scan;
    HWND hTooltip = nullptr;
    HFONT hBoldFont = nullptr;
    HBITMAP hBitmaps[7] = {};
};

}  // namespace sondrel
