#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "document/LCutListAudio.h"
#include "support/LResourceIds.h"
#include "support/TestUtil.h"
#include "ui/win32/LMeterControls.h"
#include "ui/win32/LPlayerBaseDlg.h"
#include "win32/ControlHost.h"

using namespace sondrel;
using namespace sondrel::wintest;

namespace {

// The document being played: thirty seconds of a stereo tone at 44.1 kHz
// in a cut list over a segment of its own (the file plugin plays about four
// times faster than real time).
class Document {
public:
    Document() : scope(test::ScratchDir("transport")) {
        std::vector<int32_t> tone = test::Sine(30 * 44100, 2, 44100, 440.0, 200000.0);
        LSoundSinkPtr sink = CreateSink(audio, 44100, 2);
        for (size_t done = 0; done < tone.size(); done += 2 * 8192) {
            sink->Write(tone.data() + done, int32_t(std::min<size_t>(8192, (tone.size() - done) / 2)));
        }
    }
    LCutTankScope scope;
    LCutListAudio audio;
};

class TestTransport : public LPlayerBaseDlg {
public:
    TestTransport(LPlayerSettings& s, const LCutListAudio& doc)
        : LPlayerBaseDlg(GetModuleHandleA(nullptr), "SondrelTransportTest", s), rDoc(doc) {}
    LSoundSourcePtr GetSource() override { return broken ? LSoundSourcePtr() : CreateSource(rDoc); }
    const LCutListAudio& rDoc;
    bool broken = false;
};

// Runs the dialog's loop (with its key filter) until done() or ms pass.
template <class F>
bool RunUntil(TestTransport& dlg, DWORD ms, F done) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) dlg.Dispatch(m);
        if (done()) return true;
        if (GetTickCount() - start > ms) return false;
        Sleep(5);
    }
}

// The volume of wave-out device 0's speakers line, as its mixer holds it.
DWORD SpeakersVolume() {
    HMIXEROBJ mixer = nullptr;
    UINT id = 0;
    if (mixerGetID(HMIXEROBJ(UINT_PTR(0)), &id, MIXER_OBJECTF_WAVEOUT) != MMSYSERR_NOERROR) return 0xFFFFFFFF;
    mixer = HMIXEROBJ(UINT_PTR(id));
    MIXERLINEA line{};
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    if (mixerGetLineInfoA(mixer, &line, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR)
        return 0xFFFFFFFF;
    MIXERCONTROLA control{};
    MIXERLINECONTROLSA lc{};
    lc.cbStruct = sizeof lc;
    lc.dwLineID = line.dwLineID;
    lc.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    lc.cControls = 1;
    lc.cbmxctrl = sizeof control;
    lc.pamxctrl = &control;
    if (mixerGetLineControlsA(mixer, &lc, MIXER_OBJECTF_MIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) != MMSYSERR_NOERROR)
        return 0xFFFFFFFF;
    MIXERCONTROLDETAILS_UNSIGNED value[2] = {};
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof d;
    d.dwControlID = control.dwControlID;
    d.cChannels = 1;
    d.cbDetails = sizeof value[0];
    d.paDetails = value;
    if (mixerGetControlDetailsA(mixer, &d, MIXER_OBJECTF_MIXER | MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR)
        return 0xFFFFFFFF;
    return value[0].dwValue;
}

bool Checked(TestTransport& dlg, int id) { return IsDlgButtonChecked(dlg.Window(), id) == BST_CHECKED; }

std::string Text(HWND dlg, int id) {
    char t[64] = {};
    GetDlgItemTextA(dlg, id, t, sizeof t);
    return t;
}

void Key(TestTransport& dlg, UINT msg, UINT vk, bool repeat = false) {
    HWND target = GetFocus() ? GetFocus() : dlg.Window();
    LPARAM lp = 1 | (repeat ? (1 << 30) : 0) | (msg == WM_KEYUP ? (LPARAM(1) << 31) | (1 << 30) : 0);
    PostMessageA(target, msg, vk, lp);
}

class TransportDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterTransportClasses(GetModuleHandleA(nullptr)));
        settings.nFlags = 0;  // the file name can be edited
        lstrcpyA(settings.szFileName, "take.wav");
        doc = std::make_unique<Document>();
    }
    void TearDown() override { doc.reset(); }
    LPlayerSettings settings;
    std::unique_ptr<Document> doc;
};

}  // namespace

// The buttons follow the player's real state while the tone plays through
// the device (Wine's ALSA file plugin): play, scrub, scans, stop, and the
// stop at the end of the audio.
TEST_F(TransportDialog, ButtonsFollowThePlayer) {
    TestTransport dlg(settings, doc->audio);
    ASSERT_TRUE(dlg.Open(nullptr));
    HWND w = dlg.Window();
    EXPECT_TRUE(Checked(dlg, IDC_STOP));
    EXPECT_EQ(Text(w, IDC_TRANSPORT_FILE_NAME), "take.wav");
    ASSERT_NE(SendDlgItemMessageA(w, IDC_TRANSPORT_DEVICE, CB_GETCOUNT, 0, 0), 0);
    dlg.StartWaveScan();
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(w, IDC_TRANSPORT_WAVE)));
    EXPECT_EQ(Text(w, IDC_TRANSPORT_TIME), "0:00:30.00");  // the end is shown first
    dlg.Transport().CmStart();

    // Play: Play checked, the time moves.
    PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDC_PLAY, BN_CLICKED), LPARAM(GetDlgItem(w, IDC_PLAY)));
    ASSERT_TRUE(RunUntil(dlg, 5000, [&] { return dlg.Transport().PositionMs() > 200; }));
    EXPECT_TRUE(Checked(dlg, IDC_PLAY));
    EXPECT_FALSE(Checked(dlg, IDC_STOP));
    EXPECT_EQ(dlg.Player().State() & kPlayerOpen, kPlayerOpen);

    // Space: scrubbing; Space again: playing on.
    SetFocus(GetDlgItem(w, IDC_PLAY));
    Key(dlg, WM_KEYDOWN, VK_SPACE);
    ASSERT_TRUE(RunUntil(dlg, 3000, [&] { return Checked(dlg, IDC_SCRUB); }));
    EXPECT_FALSE(Checked(dlg, IDC_PLAY));
    Key(dlg, WM_KEYUP, VK_SPACE);
    Key(dlg, WM_KEYDOWN, VK_SPACE);
    ASSERT_TRUE(RunUntil(dlg, 3000, [&] { return Checked(dlg, IDC_PLAY); }));

    // Holding Right: one forward scan, however often the key repeats;
    // releasing it plays on.
    Key(dlg, WM_KEYDOWN, VK_RIGHT);
    ASSERT_TRUE(RunUntil(dlg, 3000, [&] { return dlg.Transport().ForwardScanning(); }));
    for (int i = 0; i < 5; ++i) Key(dlg, WM_KEYDOWN, VK_RIGHT, true);
    RunUntil(dlg, 200, [] { return false; });
    EXPECT_TRUE(dlg.Transport().ForwardScanning());
    EXPECT_TRUE(Checked(dlg, IDC_PLAY));  // the scan plays
    Key(dlg, WM_KEYUP, VK_RIGHT);
    ASSERT_TRUE(RunUntil(dlg, 3000, [&] { return !dlg.Transport().ForwardScanning(); }));
    EXPECT_TRUE(Checked(dlg, IDC_PLAY));

    // Esc stops.
    Key(dlg, WM_KEYDOWN, VK_ESCAPE);
    ASSERT_TRUE(RunUntil(dlg, 3000, [&] { return Checked(dlg, IDC_STOP); }));
    EXPECT_FALSE(Checked(dlg, IDC_PLAY));

    // Played to the end, the player stops by itself and the buttons say so.
    dlg.Transport().ShowPosition(29000);
    PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDC_PLAY, BN_CLICKED), 0);
    ASSERT_TRUE(RunUntil(dlg, 3000, [&] { return Checked(dlg, IDC_PLAY); }));
    ASSERT_TRUE(RunUntil(dlg, 8000, [&] { return Checked(dlg, IDC_STOP); }));
    EXPECT_EQ(Text(w, IDC_TRANSPORT_TIME), "0:00:30.00");

    // The scroll bar: a line left at 1.5 s goes to 0.
    dlg.Transport().ShowPosition(1500);
    SendMessageA(w, WM_HSCROLL, MAKEWPARAM(SB_LINELEFT, 0), LPARAM(GetDlgItem(w, IDC_TRANSPORT_POSITION)));
    EXPECT_EQ(dlg.Transport().PositionMs(), 0);
    EXPECT_EQ(GetScrollPos(GetDlgItem(w, IDC_TRANSPORT_POSITION), SB_CTL), 0);
    dlg.Close();
}

// Space typed into the file name is a space, not a scrub; the edited name
// goes back into the settings when the dialog closes.
TEST_F(TransportDialog, SpaceInTheFileNameTypesASpace) {
    TestTransport dlg(settings, doc->audio);
    ASSERT_TRUE(dlg.Open(nullptr));
    HWND edit = GetDlgItem(dlg.Window(), IDC_TRANSPORT_FILE_NAME);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 8, 8);
    Key(dlg, WM_KEYDOWN, VK_SPACE);  // translated into the character by the loop
    RunUntil(dlg, 300, [] { return false; });
    EXPECT_TRUE(Checked(dlg, IDC_STOP));
    EXPECT_EQ(dlg.Player().State(), 0);
    EXPECT_EQ(Text(dlg.Window(), IDC_TRANSPORT_FILE_NAME), "take.wav ");
    dlg.Close();
    EXPECT_STREQ(settings.szFileName, "take.wav ");
    EXPECT_EQ(settings.nFlags & 2, 2);
}

// Rewind and Forward report press and release; the volume and the device
// list go to the settings; a source in error plays nothing and says nothing.
TEST_F(TransportDialog, PressReleaseVolumeAndErrors) {
    TestTransport dlg(settings, doc->audio);
    ASSERT_TRUE(dlg.Open(nullptr));
    HWND w = dlg.Window();
    HWND fwd = GetDlgItem(w, IDC_FORWARD);
    PostMessageA(fwd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    ASSERT_TRUE(RunUntil(dlg, 3000, [&] { return dlg.Transport().ForwardScanning(); }));
    PostMessageA(fwd, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    ASSERT_TRUE(RunUntil(dlg, 3000, [&] { return !dlg.Transport().ForwardScanning(); }));
    EXPECT_TRUE(RunUntil(dlg, 3000, [&] { return Checked(dlg, IDC_STOP); }));  // it was stopped before

    SendDlgItemMessageA(w, IDC_TRANSPORT_VOLUME, kDBEditSetValue, 0, -6);
    PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDC_TRANSPORT_VOLUME, EN_CHANGE),
                 LPARAM(GetDlgItem(w, IDC_TRANSPORT_VOLUME)));
    RunUntil(dlg, 100, [] { return false; });
    EXPECT_EQ(settings.iVolumeDB, -6);
    EXPECT_EQ(SpeakersVolume(), DWORD((-6 + 36) * 1424));  // set through the mixer

    dlg.broken = true;
    PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDC_PLAY, BN_CLICKED), 0);
    RunUntil(dlg, 300, [] { return false; });
    EXPECT_TRUE(Checked(dlg, IDC_STOP));
    EXPECT_EQ(FindWindowA(nullptr, "Error"), nullptr);
    dlg.Close();
}
