// The record dialog's Windows edge in-process: what its controls show while
// recording and stopped (tooltips, the Re-Take picture, the Record and Stop
// buttons), the record volume through the mixer of the recording device,
// and Record Next from the keyboard. The wave-in device here is Wine's ALSA
// input over the null device; the recordings themselves are checked from
// outside, through the editor (tests/user/RecordTest.cpp).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include <memory>
#include <string>

#include "devices/LMixerRules.h"
#include "document/LCutListAudio.h"
#include "support/LResourceIds.h"
#include "support/TestUtil.h"
#include "ui/win32/LMeterControls.h"
#include "ui/win32/LRecordDialog.h"

using namespace sondrel;

namespace {

template <class F>
bool RunUntil(LRecordDlg& dlg, DWORD ms, F done) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) dlg.Dispatch(m);
        if (done()) return true;
        if (GetTickCount() - start > ms) return false;
        Sleep(5);
    }
}

// The volume control of the WAVEIN destination of wave-in device 0's mixer.
bool RecordDestinationVolume(DWORD* read, const DWORD* write) {
    UINT id = 0;
    if (mixerGetID(HMIXEROBJ(UINT_PTR(0)), &id, MIXER_OBJECTF_WAVEIN) != MMSYSERR_NOERROR) return false;
    HMIXEROBJ mixer = HMIXEROBJ(UINT_PTR(id));
    MIXERLINEA line{};
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    if (mixerGetLineInfoA(mixer, &line, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR)
        return false;
    MIXERCONTROLA control{};
    MIXERLINECONTROLSA lc{};
    lc.cbStruct = sizeof lc;
    lc.dwLineID = line.dwLineID;
    lc.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    lc.cControls = 1;
    lc.cbmxctrl = sizeof control;
    lc.pamxctrl = &control;
    if (mixerGetLineControlsA(mixer, &lc, MIXER_OBJECTF_MIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) != MMSYSERR_NOERROR)
        return false;
    MIXERCONTROLDETAILS_UNSIGNED value[2] = {};
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof d;
    d.dwControlID = control.dwControlID;
    d.cChannels = 1;
    d.cbDetails = sizeof value[0];
    d.paDetails = value;
    if (write) {
        value[0].dwValue = *write;
        return mixerSetControlDetails(mixer, &d, MIXER_OBJECTF_MIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
               MMSYSERR_NOERROR;
    }
    if (mixerGetControlDetailsA(mixer, &d, MIXER_OBJECTF_MIXER | MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR)
        return false;
    *read = value[0].dwValue;
    return true;
}

struct TooltipSearch {
    HWND owner, found;
};

BOOL CALLBACK FindTooltipProc(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<TooltipSearch*>(p);
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpiA(cls, TOOLTIPS_CLASSA) == 0 && GetWindow(w, GW_OWNER) == s->owner) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

// The dialog's tooltip window (owned by it, on this thread).
HWND FindTooltip(HWND dialog) {
    TooltipSearch s{dialog, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindTooltipProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::string Tip(HWND dialog, int id) {
    HWND tips = FindTooltip(dialog);
    char text[80] = {};
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = dialog;
    ti.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, id));
    ti.lpszText = text;
    if (tips) SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
    return text;
}

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
HANDLE Picture(HWND dialog, int id) { return HANDLE(SendDlgItemMessageA(dialog, id, BM_GETIMAGE, IMAGE_BITMAP, 0)); }

class RecordDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterTransportClasses(GetModuleHandleA(nullptr)));
        lstrcpyA(player.szFileName, "Untitled 3");
    }
    LCutTankScope tank{test::ScratchDir("record-dialog")};
    LPlayerSettings player;
    LRecordSettings settings;
    LCutListAudio body{44100, 1};
};

}  // namespace

TEST_F(RecordDialog, ControlsFollowTheRecorder) {
    LRecordDlg dlg(GetModuleHandleA(nullptr), player, settings, body);
    ASSERT_TRUE(dlg.Open(nullptr));
    HWND w = dlg.Window();
    char caption[64] = {};
    GetWindowTextA(w, caption, sizeof caption);
    EXPECT_STREQ(caption, "Record Control");
    char name[64] = {};
    GetDlgItemTextA(w, IDC_TRANSPORT_FILE_NAME, name, sizeof name);
    EXPECT_STREQ(name, "Untitled 3");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w, IDC_TRANSPORT_FILE_NAME)));
    EXPECT_EQ(Tip(w, IDC_RECORD_DEVICE), "Record Device");
    EXPECT_EQ(Tip(w, IDC_RECORD_INPUT), "Record Input Channel");
    EXPECT_EQ(Tip(w, IDC_RECORD_VOLUME), "Record Volume");
    EXPECT_EQ(Tip(w, IDC_RECORD_START), "Record (F8)");

    // Recording from the start.
    ASSERT_TRUE(dlg.Record().Recording());
    EXPECT_TRUE(Checked(w, IDC_RECORD_START));
    EXPECT_FALSE(Checked(w, IDC_STOP));
    EXPECT_EQ(Tip(w, IDC_GO_TO_START), "Restart (F6)");
    EXPECT_EQ(Tip(w, IDC_REWIND), "Rewind (<-)");
    EXPECT_EQ(Tip(w, IDC_FORWARD), "Re-Take (F7)");
    EXPECT_EQ(Tip(w, IDC_GO_TO_END), "Record Next (F5)");
    HANDLE retake = Picture(w, IDC_FORWARD);
    EXPECT_NE(retake, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w, IDC_TRANSPORT_WAVE)));  // no wave while recording

    // Stop: the stopped labels and picture, the wave of what was recorded.
    PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDC_STOP, BN_CLICKED), 0);
    ASSERT_TRUE(RunUntil(dlg, 5000, [&] { return !dlg.Record().Recording(); }));
    EXPECT_FALSE(Checked(w, IDC_RECORD_START));
    EXPECT_TRUE(Checked(w, IDC_STOP));
    EXPECT_EQ(Tip(w, IDC_GO_TO_START), "Go to Start (Home)");
    EXPECT_EQ(Tip(w, IDC_FORWARD), "Forward (->)");
    EXPECT_EQ(Tip(w, IDC_GO_TO_END), "Go to End (End)");
    EXPECT_NE(Picture(w, IDC_FORWARD), retake);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(w, IDC_TRANSPORT_WAVE)));

    // F8 records again, at the shown position.
    PostMessageA(w, WM_KEYDOWN, VK_F8, 1);
    ASSERT_TRUE(RunUntil(dlg, 5000, [&] { return dlg.Record().Recording(); }));
    EXPECT_EQ(Picture(w, IDC_FORWARD), retake);
    EXPECT_TRUE(Checked(w, IDC_RECORD_START));

    // F5: Record Next closes the dialog with result 2.
    PostMessageA(w, WM_KEYDOWN, VK_F5, 1);
    ASSERT_TRUE(RunUntil(dlg, 5000, [&] { return dlg.Window() == nullptr; }));
    EXPECT_EQ(dlg.Result(), kRecordResultNext);
    EXPECT_FALSE(dlg.Record().Recording());
}

// The system mixer's entry leaves the device's mixer alone; an input of the
// list gets the record volume, and so does every change of the volume.
TEST_F(RecordDialog, TheRecordVolumeGoesThroughTheMixer) {
    settings.iVolumeDB = -6;
    const DWORD untouched = 12345;
    ASSERT_TRUE(RecordDestinationVolume(nullptr, &untouched));
    LRecordDlg dlg(GetModuleHandleA(nullptr), player, settings, body);
    ASSERT_TRUE(dlg.Open(nullptr));
    HWND w = dlg.Window();
    HWND inputs = GetDlgItem(w, IDC_RECORD_INPUT);
    ASSERT_GE(SendMessageA(inputs, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageA(inputs, CB_GETCURSEL, 0, 0), 0);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(w, IDC_RECORD_VOLUME)));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(w, IDC_RECORD_MIXER)));
    DWORD v = 0;
    ASSERT_TRUE(RecordDestinationVolume(&v, nullptr));
    EXPECT_EQ(v, untouched);

    SendMessageA(inputs, CB_SETCURSEL, 1, 0);
    PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDC_RECORD_INPUT, CBN_SELCHANGE), LPARAM(inputs));
    ASSERT_TRUE(RunUntil(dlg, 3000, [&] { return settings.iInputChannel == 0; }));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(w, IDC_RECORD_VOLUME)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(w, IDC_RECORD_MIXER)));
    ASSERT_TRUE(RecordDestinationVolume(&v, nullptr));
    EXPECT_EQ(v, MixerLevel(-6));

    SendDlgItemMessageA(w, IDC_RECORD_VOLUME, kDBEditSetValue, 0, -3);
    PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDC_RECORD_VOLUME, EN_CHANGE), LPARAM(GetDlgItem(w, IDC_RECORD_VOLUME)));
    ASSERT_TRUE(RunUntil(dlg, 3000, [&] { return settings.iVolumeDB == -3; }));
    ASSERT_TRUE(RecordDestinationVolume(&v, nullptr));
    EXPECT_EQ(v, MixerLevel(-3));

    // Back to the system mixer: nothing changes in the mixer.
    ASSERT_TRUE(RecordDestinationVolume(nullptr, &untouched));
    SendMessageA(inputs, CB_SETCURSEL, 0, 0);
    PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDC_RECORD_INPUT, CBN_SELCHANGE), LPARAM(inputs));
    ASSERT_TRUE(RunUntil(dlg, 3000, [&] { return settings.iInputChannel == -1; }));
    SendDlgItemMessageA(w, IDC_RECORD_VOLUME, kDBEditSetValue, 0, -9);
    PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDC_RECORD_VOLUME, EN_CHANGE), LPARAM(GetDlgItem(w, IDC_RECORD_VOLUME)));
    ASSERT_TRUE(RunUntil(dlg, 3000, [&] { return settings.iVolumeDB == -9; }));
    ASSERT_TRUE(RecordDestinationVolume(&v, nullptr));
    EXPECT_EQ(v, untouched);
    dlg.Close();
}
