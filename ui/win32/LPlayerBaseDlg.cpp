#include "ui/win32/LPlayerBaseDlg.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstring>

#include "core/LSoundTime.h"
#include "devices/win32/LMixer.h"
#include "devices/win32/LPlayerPort.h"
#include "support/LResourceIds.h"
#include "support/LSettings.h"
#include "ui/win32/LMeterControls.h"
#include "ui/win32/LTransportBitmaps.h"

namespace sondrel {

namespace {

constexpr char kPressReleaseProp[] = "LPlayerBaseDlgButtonProc";

// Rewind and Forward report their press and their release (codes 16 and
// 17) to the dialog, then behave as buttons.
LRESULT CALLBACK PressReleaseProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto old = reinterpret_cast<WNDPROC>(GetPropA(w, kPressReleaseProp));
    HWND parent = GetParent(w);
    const WORD id = WORD(GetDlgCtrlID(w));
    if (msg == WM_LBUTTONDOWN) {
        SetCapture(w);
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kButtonPressed), reinterpret_cast<LPARAM>(w));
    } else if (msg == WM_LBUTTONUP && GetCapture() == w) {
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, kButtonReleased), reinterpret_cast<LPARAM>(w));
        ReleaseCapture();
    } else if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
        RemovePropA(w, kPressReleaseProp);
    }
    return old ? CallWindowProcA(old, w, msg, wParam, lParam) : DefWindowProcA(w, msg, wParam, lParam);
}

bool IsComboBox(HWND w) {
    char cls[32] = {};
    GetClassNameA(w, cls, sizeof cls);
    return lstrcmpiA(cls, "ComboBox") == 0;
}

}  // namespace

void ReportPressAndRelease(HWND button) {
    if (!button || GetPropA(button, kPressReleaseProp)) return;
    LONG_PTR old = SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PressReleaseProc));
    SetPropA(button, kPressReleaseProp, reinterpret_cast<HANDLE>(old));
}

void LPlayerSettings::Load() {
    nFlags = 1;
    iDevice = int8_t(ReadInt("Player", "Device", 0));
    iVolumeDB = int8_t(ReadInt("Player", "VolumeDB", 0));
}

void LPlayerSettings::Save() const {
    WriteInt("Player", "Device", iDevice);
    WriteInt("Player", "VolumeDB", iVolumeDB);
}

void ApplyPlaybackVolume(int8_t device, int8_t dB) { LMixer::SetOutputVolume(device, 0, dB); }

bool RegisterTransportClasses(HINSTANCE instance) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    return LWaveWindow::RegisterClass(instance) && RegisterMeterClasses(instance);
}

LPlayerBaseDlg::LPlayerBaseDlg(HINSTANCE instance, LPCSTR templateName, LPlayerSettings& settings,
                               std::unique_ptr<LPlayer> player)
    : LKeyDialogBox(instance, templateName), rSettings(settings), pPlayer(std::move(player)) {
    if (!pPlayer) pPlayer = CreatePlayer();
    LTransportView& view = *this;
    pController = std::make_unique<LTransportController>(*pPlayer, view, [this] { return GetSource(); });
}

LPlayerBaseDlg::~LPlayerBaseDlg() {
    scan.Stop();
    pPlayer->SetListener(nullptr);
    pPlayer->Stop();
    for (HBITMAP b : hBitmaps)
        if (b) DeleteObject(b);
    if (hBoldFont) DeleteObject(hBoldFont);
}

void AddControlTooltip(HWND tooltip, HWND dialog, int id, const char* text) {
    HWND control = GetDlgItem(dialog, id);
    if (!tooltip || !control) return;  // "LPlayerBaseDlg::AddTool Unable to create window"
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = dialog;
    ti.uId = reinterpret_cast<UINT_PTR>(control);
    ti.lpszText = const_cast<char*>(text);
    SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void LPlayerBaseDlg::AddTool(int id, const char* text) { AddControlTooltip(hTooltip, Window(), id, text); }

void LPlayerBaseDlg::UpdateTool(int id, const char* text) {
    HWND control = Window() ? GetDlgItem(Window(), id) : nullptr;
    if (!hTooltip || !control) return;  // "LPlayerBaseDlg::UpdateTool hwnd == NULL"
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = Window();
    ti.uId = reinterpret_cast<UINT_PTR>(control);
    ti.lpszText = const_cast<char*>(text);
    SendMessageA(hTooltip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
}

void LPlayerBaseDlg::FillDevices() {
    HWND list = GetDlgItem(Window(), IDC_TRANSPORT_DEVICE);
    if (!list) return;
    const bool combo = IsComboBox(list);
    const int count = std::min<int>(int(waveOutGetNumDevs()), 127);
    for (int i = 0; i < count; ++i) {
        WAVEOUTCAPSA caps{};
        // A device whose name cannot be read keeps its place, so that list
        // positions stay device numbers ("LSoundPlayDevice::GetText waveOutGetDevCaps FAILED").
        const char* name = waveOutGetDevCapsA(UINT(i), &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.szPname : "";
        SendMessageA(list, combo ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    SendMessageA(list, combo ? CB_SETCURSEL : LB_SETCURSEL, WPARAM(rSettings.iDevice), 0);
}

void LPlayerBaseDlg::Init() {
    HWND w = Window();
    // 1. Meter, wave window, file name.
    hMeter = GetDlgItem(w, IDC_TRANSPORT_METER);
    if (HWND wv = GetDlgItem(w, IDC_TRANSPORT_WAVE)) wave.Attach(wv);
    SetDlgItemTextA(w, IDC_TRANSPORT_FILE_NAME, rSettings.szFileName);
    if (rSettings.nFlags & 1) EnableWindow(GetDlgItem(w, IDC_TRANSPORT_FILE_NAME), FALSE);
    rSettings.nFlags &= ~2;
    // 2. Volume and an empty meter.
    SendDlgItemMessageA(w, IDC_TRANSPORT_VOLUME, kDBEditSetValue, 0, rSettings.iVolumeDB);
    if (hMeter) DBDisplaySetLevel(hMeter, -127);
    // 3. Bold time display, press-and-release buttons, bitmaps, tooltips, scroll range.
    hBoldFont = CreateFontA(-16, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "MS Sans Serif");
    SendDlgItemMessageA(w, IDC_TRANSPORT_TIME, WM_SETFONT, WPARAM(hBoldFont), FALSE);
    ReportPressAndRelease(GetDlgItem(w, IDC_REWIND));
    ReportPressAndRelease(GetDlgItem(w, IDC_FORWARD));
    const int buttons[7] = {IDC_PLAY, IDC_SCRUB, IDC_STOP, IDC_GO_TO_START, IDC_REWIND, IDC_FORWARD, IDC_GO_TO_END};
    const LTransportBitmap pictures[7] = {kBitmapPlay,   kBitmapScrub,   kBitmapStop, kBitmapStart,
                                          kBitmapRewind, kBitmapForward, kBitmapEnd};
    for (int i = 0; i < 7; ++i) {
        HWND b = GetDlgItem(w, buttons[i]);
        if (!b) continue;
        hBitmaps[i] = LoadTransportBitmap(hInstance, pictures[i], b);
        SendMessageA(b, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hBitmaps[i]));
    }
    hTooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, w, nullptr, hInstance,
                               nullptr);
    const struct {
        int id;
        const char* text;
    } tips[] = {{IDC_TRANSPORT_FILE_NAME, "File Name"},  {IDC_TRANSPORT_DEVICE, "Playback Device"},
                {IDC_TRANSPORT_VOLUME, "Volume"},        {IDC_PLAY, "Play (F9)"},
                {IDC_SCRUB, "Scrub (Space)"},            {IDC_STOP, "Stop (Esc)"},
                {IDC_GO_TO_START, "Go to Start (Home)"}, {IDC_REWIND, "Rewind (<-)"},
                {IDC_FORWARD, "Forward (->)"},           {IDC_GO_TO_END, "Go to End (End)"}};
    for (const auto& t : tips) AddTool(t.id, t.text);
    SetScrollRange(GetDlgItem(w, IDC_TRANSPORT_POSITION), SB_CTL, 0, kScrollRange, FALSE);
    // 4. Devices.
    FillDevices();
    // 5. The player reports to the dialog; device and volume.
    pPlayer->SetListener(pController.get());
    pPlayer->SetDevice(rSettings.iDevice);
    ApplyPlaybackVolume(rSettings.iDevice, rSettings.iVolumeDB);
    UpdateControls();
}

void LPlayerBaseDlg::Destroy() {
    scan.Stop();
    HWND edit = GetDlgItem(Window(), IDC_TRANSPORT_FILE_NAME);
    if (edit && SendMessageA(edit, EM_GETMODIFY, 0, 0)) {
        GetWindowTextA(edit, rSettings.szFileName, sizeof rSettings.szFileName);
        rSettings.nFlags |= 2;
    }
    SendDlgItemMessageA(Window(), IDC_TRANSPORT_TIME, WM_SETFONT, 0, FALSE);
    if (hBoldFont) DeleteObject(hBoldFont);
    hBoldFont = nullptr;
    pPlayer->SetListener(nullptr);
    pPlayer->Stop();
}

void LPlayerBaseDlg::Command(WORD id, WORD code) {
    LTransportController& t = *pController;
    switch (id) {
        case IDC_PLAY: t.CmPlay(); break;
        case IDC_SCRUB: t.CmScrub(); break;
        case IDC_STOP: Stop(); break;
        case IDC_GO_TO_START: t.CmStart(); break;
        case IDC_GO_TO_END: t.CmEnd(); break;
        case IDC_REWIND:
        case IDC_FORWARD:
            if (code == kButtonPressed) {
                id == IDC_REWIND ? t.CmBack() : t.CmFwd();
            } else if (code == kButtonReleased) {
                t.CmBackFwdStop();
            }
            break;
        case IDC_TRANSPORT_DEVICE:
            if (code == CBN_SELCHANGE || code == LBN_SELCHANGE) {
                HWND list = GetDlgItem(Window(), IDC_TRANSPORT_DEVICE);
                LRESULT sel = SendMessageA(list, IsComboBox(list) ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
                if (sel >= 0) {
                    rSettings.iDevice = int8_t(sel);
                    pPlayer->SetDevice(rSettings.iDevice);
                }
            }
            break;
        case IDC_TRANSPORT_VOLUME:
            if (code == EN_CHANGE) {
                rSettings.iVolumeDB =
                    int8_t(SendDlgItemMessageA(Window(), IDC_TRANSPORT_VOLUME, kDBEditGetValue, 0, 0));
                ApplyPlaybackVolume(rSettings.iDevice, rSettings.iVolumeDB);
            }
            break;
        case IDC_TRANSPORT_WAVE: t.WaveNotify(code, wave.Cursor()); break;
        default: break;
    }
}

INT_PTR LPlayerBaseDlg::DialogMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG:
            Init();
            return TRUE;
        case WM_COMMAND:
            Command(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_HSCROLL:
            if (reinterpret_cast<HWND>(lParam) == GetDlgItem(Window(), IDC_TRANSPORT_POSITION)) {
                pController->Scroll(LOWORD(wParam), int16_t(HIWORD(wParam)));
            }
            return TRUE;
        case WM_CLOSE:
            DestroyWindow(Window());
            return TRUE;
        case WM_DESTROY:
            Destroy();
            return TRUE;
        default:
            return FALSE;
    }
}

bool LPlayerBaseDlg::KeyDown(UINT vk, const LKeyState& keys) {
    LTransportController& t = *pController;
    switch (vk) {
        case VK_F9:
            keys.bAlt ? t.CmPlayAndEnd() : t.CmPlay();
            return true;
        case VK_F10: t.CmScrub(); return true;
        case VK_SPACE:
            // A space typed into the file name is a space.
            if (GetFocus() == GetDlgItem(Window(), IDC_TRANSPORT_FILE_NAME)) return false;
            t.CmToggleScrubPlay();
            return true;
        case VK_ESCAPE: Stop(); return true;
        case VK_HOME: t.CmStart(); return true;
        case VK_END: t.CmEnd(); return true;
        case VK_LEFT: t.CmBack(); return true;
        case VK_RIGHT: t.CmFwd(); return true;
        case VK_RETURN: PostMessageA(Window(), WM_CLOSE, 0, 0); return true;
        default: return false;
    }
}

bool LPlayerBaseDlg::KeyUp(UINT vk, const LKeyState&) {
    if (vk == VK_LEFT || vk == VK_RIGHT) {
        pController->CmBackFwdStop();
        return true;
    }
    return false;
}

void LPlayerBaseDlg::ShowTime(int32_t ms) {
    char text[32];
    FormatPosition(LSoundTime(ms), text);
    SetDlgItemTextA(Window(), IDC_TRANSPORT_TIME, text);
}

void LPlayerBaseDlg::ShowScroll(int32_t position) {
    SetScrollPos(GetDlgItem(Window(), IDC_TRANSPORT_POSITION), SB_CTL, position, TRUE);
}

void LPlayerBaseDlg::ShowChecks(const LTransportChecks&) { UpdateControls(); }

void LPlayerBaseDlg::UpdateControls() {
    const LTransportChecks c = ChecksOf(pPlayer->State());
    CheckDlgButton(Window(), IDC_PLAY, c.bPlay ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Window(), IDC_SCRUB, c.bScrub ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Window(), IDC_STOP, c.bStop ? BST_CHECKED : BST_UNCHECKED);
}

void LPlayerBaseDlg::ShowLevels(const int8_t* levels, int32_t count) {
    if (hMeter) DBDisplaySetLevels(hMeter, levels, count);
}

void LPlayerBaseDlg::ShowPlayFailed() {
    MessageBoxA(Window(), "The playback device could not be opened. It may be in use by another program.",
                "Sondrel", MB_OK | MB_ICONSTOP);
}

void LPlayerBaseDlg::WaveStartScan(const LSoundSourcePtr& source) {
    wave.SetLength(source->GetLength());
    wave.SetMarkStart(0);
    wave.SetMarkEnd(-1);
    scan.Start(source, &wave);
}

}  // namespace sondrel
