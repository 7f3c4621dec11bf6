#include "ui/win32/LRecordDialog.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <algorithm>

#include "devices/win32/LMixer.h"
#include "document/LAudioCutTank.h"
#include "support/LFilePath.h"
#include "support/LHelp.h"
#include "support/LResourceIds.h"
#include "ui/win32/LMeterControls.h"
#include "ui/win32/LTransportBitmaps.h"

namespace sondrel {

static_assert(kRecorderStartRecording == LSoundRecorder::kStartRecording);
static_assert(int(kRecordStopSinkFailed) == int(LSoundRecorder::kStopSinkFailed) &&
              int(kRecordStopDeviceFailed) == int(LSoundRecorder::kStopDeviceFailed) &&
              int(kRecordStopMaxTime) == int(LSoundRecorder::kStopMaxTime));

namespace {

constexpr char kCaption[] = "Sondrel";

// A named button picture at the display's scale, the grey face mapped to
// the system's face colour; null when the program has none.
HBITMAP LoadButtonBitmap(HINSTANCE instance, const char* name, HWND window) {
    HDC dc = GetDC(window);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ReleaseDC(window, dc);
    HANDLE h = nullptr;
    if (dpi >= 192) h = LoadImageA(instance, (std::string(name) + "_2x").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS);
    if (!h) h = LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS);
    return static_cast<HBITMAP>(h);
}

void FillCombo(HWND combo, const std::vector<std::string>& names, int32_t selected) {
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& n : names) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(n.c_str()));
    SendMessageA(combo, CB_SETCURSEL, WPARAM(selected), 0);
}

INT_PTR CALLBACK AdvancedProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto enableVoice = [dlg] {
        const BOOL on = AdvancedVoiceEnabled(IsDlgButtonChecked(dlg, IDC_ADVANCED_AUTOTRIM) == BST_CHECKED);
        for (int id : {IDC_ADVANCED_VOICE, IDC_ADVANCED_THRESHOLD_LABEL, IDC_ADVANCED_THRESHOLD})
            EnableWindow(GetDlgItem(dlg, id), on);
    };
    switch (msg) {
        case WM_INITDIALOG: {
            SetWindowLongPtrA(dlg, DWLP_USER, lParam);
            const auto* s = reinterpret_cast<const LRecordSettings*>(lParam);
            CheckDlgButton(dlg, IDC_ADVANCED_AUTOTRIM, s->AutoTrim() ? BST_CHECKED : BST_UNCHECKED);
            CheckDlgButton(dlg, IDC_ADVANCED_VOICE, s->Voice() ? BST_CHECKED : BST_UNCHECKED);
            SendDlgItemMessageA(dlg, IDC_ADVANCED_THRESHOLD, kDBEditSetRange, WPARAM(kRecordThresholdMin),
                                LPARAM(kRecordThresholdMax));
            SendDlgItemMessageA(dlg, IDC_ADVANCED_THRESHOLD, kDBEditSetValue, 0, s->iThresholdDB);
            enableVoice();
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_ADVANCED_AUTOTRIM:
                    enableVoice();
                    return TRUE;
                case IDOK: {
                    auto* s = reinterpret_cast<LRecordSettings*>(GetWindowLongPtrA(dlg, DWLP_USER));
                    ApplyAdvanced(*s, IsDlgButtonChecked(dlg, IDC_ADVANCED_AUTOTRIM) == BST_CHECKED,
                                  IsDlgButtonChecked(dlg, IDC_ADVANCED_VOICE) == BST_CHECKED,
                                  int8_t(SendDlgItemMessageA(dlg, IDC_ADVANCED_THRESHOLD, kDBEditGetValue, 0, 0)));
                    EndDialog(dlg, IDOK);
                    return TRUE;
                }
                case IDCANCEL:
                    EndDialog(dlg, IDCANCEL);
                    return TRUE;
                default:
                    return FALSE;
            }
        default:
            return FALSE;
    }
}

}  // namespace

// ------------------------------------------------------------------ recorder and devices

bool LWin32Recorder::Start(const LSoundSinkPtr& sink, uint32_t flags, int32_t stopDelayMs, int32_t thresholdDB,
                           int32_t maxTimeMs) {
    return recorder.Start(sink, flags, stopDelayMs, thresholdDB, maxTimeMs);
}

std::vector<std::string> LWin32RecordDevices::DeviceNames() {
    std::vector<std::string> names;
    const int count = std::min<int>(int(waveInGetNumDevs()), 127);
    for (int i = 0; i < count; ++i) {
        WAVEINCAPSA caps{};
        // A device whose name cannot be read keeps its place, so that list
        // positions stay device numbers ("LSoundRecordDevice::GetText waveInGetDevCaps FAILED").
        names.push_back(waveInGetDevCapsA(UINT(i), &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.szPname : "");
    }
    return names;
}

int32_t LWin32RecordDevices::InputCount(int8_t device) { return LMixer::GetInputChannelCount(device); }

std::string LWin32RecordDevices::InputName(int8_t device, int32_t channel) {
    char name[kMixerNameChars] = {};
    LMixer::GetInputChannelName(device, channel, name);
    return name;
}

void LWin32RecordDevices::SetInputChannel(int8_t device, int32_t channel, int32_t dB) {
    LMixer::SetInputChannel(device, channel, dB);
}

// ------------------------------------------------------------------ the dialog

LRecordDlg::LRecordDlg(HINSTANCE instance, LPlayerSettings& playerSettings, LRecordSettings& settings,
                       LCutListAudio& body)
    : LPlayerBaseDlg(instance, IDD_RECORD, playerSettings), rRecordSettings(settings) {
    LRecordView& view = *this;
    pRecord = std::make_unique<LRecordController>(settings, body, recorder, devices, view, Transport(), Player());
}

LRecordDlg::~LRecordDlg() {
    // The window goes first, while the recorder and the controller still exist.
    LKeyDialogBox::Close();
    for (HBITMAP b : {hRecordBitmap, hRetakeBitmap, hForwardBitmap})
        if (b) DeleteObject(b);
}

void LRecordDlg::Init() {
    HWND w = Window();
    SendDlgItemMessageA(w, IDC_RECORD_VOLUME, kDBEditSetValue, 0, rRecordSettings.iVolumeDB);
    if (HWND b = GetDlgItem(w, IDC_RECORD_START)) {
        hRecordBitmap = LoadButtonBitmap(hInstance, IDB_RECORD, b);
        if (hRecordBitmap)
            SendMessageA(b, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hRecordBitmap));
        else  // no picture: the button shows its text
            SetWindowLongA(b, GWL_STYLE, GetWindowLongA(b, GWL_STYLE) & ~BS_BITMAP);
    }
    if (HWND b = GetDlgItem(w, IDC_FORWARD)) {
        hRetakeBitmap = LoadTransportBitmap(hInstance, kBitmapRetake, b);
        hForwardBitmap = LoadTransportBitmap(hInstance, kBitmapForward, b);
    }
    AddTool(IDC_RECORD_DEVICE, "Record Device");
    AddTool(IDC_RECORD_INPUT, "Record Input Channel");
    AddTool(IDC_RECORD_VOLUME, "Record Volume");
    AddTool(IDC_RECORD_START, "Record (F8)");
    pRecord->Init();
}

INT_PTR LRecordDlg::DialogMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG: {
            INT_PTR r = LPlayerBaseDlg::DialogMessage(msg, wParam, lParam);
            Init();
            return r;
        }
        case WM_COMMAND:
            if (Command(LOWORD(wParam), HIWORD(wParam))) return TRUE;
            break;
        case WM_HELP:
            ShowHelp(IDH_RECORDING);
            return TRUE;
        case WM_DESTROY:
            // The recorder stops and its take goes into the body before the
            // transport part goes.
            pRecord->Destroy();
            break;
        default:
            break;
    }
    return LPlayerBaseDlg::DialogMessage(msg, wParam, lParam);
}

bool LRecordDlg::Command(WORD id, WORD code) {
    LRecordController& r = *pRecord;
    switch (id) {
        case IDC_RECORD_DEVICE:
            if (code == CBN_SELCHANGE)
                r.DeviceSelected(int32_t(SendDlgItemMessageA(Window(), id, CB_GETCURSEL, 0, 0)));
            return true;
        case IDC_RECORD_INPUT:
            if (code == CBN_SELCHANGE)
                r.InputSelected(int32_t(SendDlgItemMessageA(Window(), id, CB_GETCURSEL, 0, 0)));
            return true;
        case IDC_RECORD_VOLUME:
            if (code == EN_CHANGE)
                r.VolumeChanged(int8_t(SendDlgItemMessageA(Window(), id, kDBEditGetValue, 0, 0)));
            return true;
        case IDC_RECORD_ADVANCED:
            if (code == BN_CLICKED) r.CmAdvanced();
            return true;
        case IDC_RECORD_START:
            if (code == BN_CLICKED) r.CmRecord();
            return true;
        case IDC_RECORD_MIXER:
            if (code == BN_CLICKED) r.CmMixer();
            return true;
        case IDC_GO_TO_START:
            if (code == BN_CLICKED) r.CmGoStart();
            return true;
        case IDC_GO_TO_END:
            if (code == BN_CLICKED) r.CmGoEnd();
            return true;
        case IDC_FORWARD:
            // While recording this is Re-Take (its picture and tooltip say
            // so), on the press; not a held forward scan.
            if (!r.Recording()) return false;
            if (code == kButtonPressed) r.CmRetake();
            return true;
        default:
            return false;
    }
}

bool LRecordDlg::KeyDown(UINT vk, const LKeyState& keys) {
    if (vk == VK_F1 && !keys.bControl && !keys.bAlt && !keys.bShift) {
        ShowHelp(IDH_RECORDING);
        return true;
    }
    if (pRecord->KeyDown(vk)) return true;
    return LPlayerBaseDlg::KeyDown(vk, keys);
}

void LRecordDlg::UpdateControls() {
    LPlayerBaseDlg::UpdateControls();
    const LRecordChecks c = pRecord->Checks();
    CheckDlgButton(Window(), IDC_RECORD_START, c.bRecord ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Window(), IDC_STOP, c.bStop ? BST_CHECKED : BST_UNCHECKED);
}

void LRecordDlg::ShowDevices(const std::vector<std::string>& names, int32_t selected) {
    FillCombo(GetDlgItem(Window(), IDC_RECORD_DEVICE), names, selected);
}

void LRecordDlg::ShowInputs(const std::vector<std::string>& names, int32_t selected) {
    FillCombo(GetDlgItem(Window(), IDC_RECORD_INPUT), names, selected);
}

void LRecordDlg::ShowVolume(bool volume) {
    // The two share a place: the outgoing one is hidden first, so that they
    // are never both on show.
    HWND shown = GetDlgItem(Window(), volume ? IDC_RECORD_VOLUME : IDC_RECORD_MIXER);
    HWND hidden = GetDlgItem(Window(), volume ? IDC_RECORD_MIXER : IDC_RECORD_VOLUME);
    ShowWindow(hidden, SW_HIDE);
    ShowWindow(shown, SW_SHOW);
}

void LRecordDlg::ShowRecording(bool recording) {
    if (HWND b = GetDlgItem(Window(), IDC_FORWARD)) {
        HBITMAP picture = recording ? hRetakeBitmap : hForwardBitmap;
        if (picture) SendMessageA(b, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
    }
    UpdateTool(IDC_GO_TO_START, recording ? "Restart (F6)" : "Go to Start (Home)");
    UpdateTool(IDC_REWIND, "Rewind (<-)");
    UpdateTool(IDC_FORWARD, recording ? "Re-Take (F7)" : "Forward (->)");
    UpdateTool(IDC_GO_TO_END, recording ? "Record Next (F5)" : "Go to End (End)");
}

void LRecordDlg::ShowMessage(const std::string& text) {
    MessageBoxA(Window(), text.c_str(), kCaption, MB_OK | MB_ICONSTOP);
}

bool LRecordDlg::AskYesNo(const std::string& text) {
    return MessageBoxA(Window(), text.c_str(), kCaption, MB_YESNO | MB_ICONWARNING) == IDYES;
}

uint64_t LRecordDlg::FreeDataBytes() {
    LAudioCutTank* tank = LAudioCutTank::Current();
    if (!tank || tank->GetFolder().empty()) return UINT64_MAX;
    return uint64_t(GetDriveFreeSpaceKB(tank->GetFolder().c_str())) * 1024;
}

void LRecordDlg::RunMixerProgram() {
    char command[] = "sndvol32.exe /rec";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        MessageBoxA(Window(), "The Windows record mixer (sndvol32.exe) could not be started.", kCaption,
                    MB_OK | MB_ICONINFORMATION);
        return;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

// ------------------------------------------------------------------ running it

bool RunRecordAdvanced(HWND owner, LRecordSettings& settings) {
    return DialogBoxParamA(GetModuleHandleA(nullptr), IDD_RECORD_ADVANCED, owner, AdvancedProc,
                           reinterpret_cast<LPARAM>(&settings)) == IDOK;
}

int RunRecordDialog(HWND owner, int32_t rate, uint8_t chans, const std::string& name, LCutListAudio& recorded) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterTransportClasses(instance);
    LPlayerSettings player;
    player.Load();
    lstrcpynA(player.szFileName, name.c_str(), int(sizeof player.szFileName));
    LRecordSettings settings;
    settings.Load();
    recorded.lstCuts.Clear();
    recorded.nSampleRate = rate;
    recorded.nChans = chans;
    int result = 0;
    {
        LRecordDlg dlg(instance, player, settings, recorded);
        // Modal: the owner takes no input until the dialog has gone.
        const bool ownerEnabled = owner && IsWindowEnabled(owner);
        if (ownerEnabled) EnableWindow(owner, FALSE);
        if (dlg.Open(owner)) {
            dlg.RunLoop();
            result = dlg.Result();
        }
        if (ownerEnabled) {
            EnableWindow(owner, TRUE);
            SetActiveWindow(owner);
        }
    }
    player.Save();
    settings.Save();
    return result;
}

}  // namespace sondrel
