// The editor's single top-level window: a modeless dialog from template 1
// (IDD_MAIN) with the menus, the toolbar, the two wave windows, the
// transport buttons, the level meter and volume, the time fields and the
// status bar. It is the thin Win32 edge of LMainController: its messages
// become the controller's calls, and the controller's requests become
// window calls (LMainView). It also makes the program single-instance:
// FindRunningEditor and HandOver are what a second start uses.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <memory>
#include <string>

#include "ui/LLoadOverview.h"
#include "ui/LMainController.h"
#include "ui/LWaveScanThread.h"
#include "ui/win32/LKeyDialogBox.h"
#include "ui/win32/LWaveWindow.h"
#include "ui/win32/LWin32DocumentHost.h"

namespace sondrel {

// The private message that hands a file to the running editor: the low
// parameter is a global atom holding the path. Paths an atom cannot hold
// (more than 255 characters) come as WM_COPYDATA with kHandOverData.
constexpr UINT kHandOverMessage = WM_USER + 20;
constexpr ULONG_PTR kHandOverData = 0x534E444C;  // "SNDL"

// A registered window message ("Sondrel.WaveViewsDrawn") that the editor
// answers with 1 once a document is shown and both wave views have drawn
// what they were last asked to, else 0: drivers and benchmarks wait on it.
UINT WaveViewsDrawnMessage();

// The running editor's window (a dialog titled "Sondrel" or "Sondrel [...]"
// that carries the editor's mark), or null.
HWND FindRunningEditor();
// Restores the running editor (maximised if it was), brings it to the
// front and, when path is not empty, hands it the file. False when the
// path could not be handed over.
bool HandOver(HWND editor, const std::string& path);
// The path named on a command line: the first argument, without quotes,
// expanded to its long form when that fits 259 characters.
std::string CommandLinePath(const char* commandLine);

class MainDialog : public LKeyDialogBox, private LMainView {
public:
    // services: the dialogs and other parts of the program the commands
    // open (the program entry gives them; see LMainServices).
    MainDialog(HINSTANCE instance, LMainServices& services);
    ~MainDialog() override;

    // Registers the window classes, creates and shows the window and loads
    // the file named on the command line. False when it cannot be created.
    bool Create(const char* commandLine);
    // Runs the thread's messages until the window is destroyed.
    int RunMessageLoop();

    LMainController& Controller() { return *pController; }
    LDocuments& Documents() { return pController->Documents(); }

protected:
    INT_PTR DialogMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool KeyDown(UINT vk, const LKeyState& keys) override;
    bool KeyUp(UINT vk, const LKeyState& keys) override;
    void MouseDown() override;
    bool CanCloseOk() override { return false; }
    bool CanCloseCancel() override { return pController->CmCancel(); }

private:
    void InitDialog();
    void DestroyDialog();
    void LayoutControls();
    // The pieces of the layout: each places its controls and gives the
    // edge the next one builds on.
    void Place(int id, int x, int y, int cx, int cy);
    int PlaceBars(int width, int& statusHeight);  // the toolbar's height
    void PlaceTransportRow(int width, int y, int height);
    int PlaceTimeFields(int width, int height, int yBelow);  // their top
    void SetTimeFonts(int timeWidth, int timeHeight, int fontHeight);
    int PlaceViewRow(int width, int yBelow);  // its top
    void CreateToolbar();
    void CreateMenus();
    void LoadPictures();
    void Command(WORD id, WORD code, HWND control);
    // The menus' and the mouse's messages, and the files dropped or handed over.
    void MouseAndMenuMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR FileMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    bool Notify(const NMHDR* nm);
    void ContextMenu(HWND where, int x, int y);
    void Popup(HMENU menu, int x, int y);
    void EvLoad(ATOM atom);
    int Dpi() const;
    int Scaled(int pixels) const { return MulDiv(pixels, Dpi(), 96); }

    // LMainView
    void SetTitle(const std::string& text) override;
    void EnableCommand(int id, bool enabled) override;
    void CheckCommand(int id, bool checked) override;
    void SetCommandText(int id, const std::string& text) override;
    void SetStatusRate(const std::string& text) override;
    void SetStatusMessage(const std::string& text) override;
    void SetText(int control, const std::string& text) override;
    void SetScrollPos(int32_t position) override;
    void SetRecentMenu(const std::vector<LMenuEntry>& items) override;
    void SetWindowMenu(const std::vector<LMenuEntry>& items, int checkedId) override;
    void SetTimer(int id, int32_t ms) override;
    void KillTimer(int id) override;
    void ShowWaves(const LSoundSourcePtr& overview, const LSoundSourcePtr& main) override;
    void HideWaves() override;
    void ShowLoading(const LLoadWatch* watch) override;
    void SetWaveCursor(int32_t frame, int32_t mainSpan) override;
    void SetWaveMarks(int32_t start, int32_t end) override;
    void SetMainView(int32_t start, int32_t length) override;
    void ShowPlayerState(uint16_t state) override;
    void ShowLevels(const int8_t* levels, int32_t count) override;
    void ShowButtonHeld(int control, bool held) override;
    void Close() override;

    LMainServices& rServices;
    LWin32DocumentHost dialogs;
    std::unique_ptr<LPlayer> pPlayer;
    std::unique_ptr<LMainController> pController;
    std::string szCommandLinePath;

    LWaveWindow overview, wave;
    LWaveScanThread overviewScan, waveScan;
    // A file loading: the overview draws what has arrived at every tick.
    void DrawLoading();
    const LLoadWatch* pLoading = nullptr;
    LLoadOverview loadOverview;
    int32_t nLoadLength = -1;  // the length the overview shows; -1 before the first tick that had one
    HWND hMeter = nullptr, hToolbar = nullptr, hStatus = nullptr, hTooltip = nullptr, hSplash = nullptr;
    HMENU hMenu = nullptr, hEditPopup = nullptr, hWebPopup = nullptr;
    HFONT hTimeFont = nullptr, hSelectionFont = nullptr, hVolumeFont = nullptr;
    int nVolumeFontDpi = 0;
    HIMAGELIST hToolbarImages = nullptr, hViewImages = nullptr;
    HICON hViewIcons[5] = {};
    HBITMAP hTransport[11] = {};
    HICON hIconBig = nullptr, hIconSmall = nullptr;
    std::map<int, std::string> toolbarTips;  // by command
    std::vector<std::string> vPendingLoads;
    int nWheel = 0;
    uint16_t nPlayerState = 0;
};

}  // namespace sondrel
