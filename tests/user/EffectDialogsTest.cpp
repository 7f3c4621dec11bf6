// The parameter dialogs as a user meets them, under Wine: the real editor
// opens the test file, the driver selects with the scroll bar and keys,
// opens each dialog by its menu command and works it from outside (typing,
// clicks, posted mouse messages on the curve editor), saves through Save As
// and checks what a user would see and get: the saved document byte for byte against the command-line
// tool's output for the same file, selection and values, the stored values,
// the curve files, the message boxes, help, and what the preview plays.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "EditorDriver.h"
#include "core/LSRCPeakLimit.h"
#include "core/LSample.h"
#include "effects/LEchoReverb.h"
#include "effects/PointList.h"
#include "support/LFile.h"
#include "support/LResourceIds.h"
#include "support/TestUtil.h"
#include "ui/LCurveEditor.h"

using namespace sondrel;
using namespace sondrel::drive;

namespace {

constexpr DWORD kStepMs = 20000;

// A 16-bit PCM WAV file of a tone mixed with a slow sweep, so that every
// effect changes it.
std::vector<int16_t> Tone(int32_t frames, int chans, int32_t rate, double amplitude) {
    constexpr double kPi = 3.14159265358979323846;
    std::vector<int16_t> s(static_cast<size_t>(frames) * chans);
    for (int32_t i = 0; i < frames; ++i) {
        double t = double(i) / rate;
        for (int c = 0; c < chans; ++c)
            s[size_t(i) * chans + c] = int16_t(std::lround(
                amplitude * (0.6 * std::sin(2 * kPi * (330 + 40 * c) * t) + 0.4 * std::sin(2 * kPi * (90 + 600 * t) * t))));
    }
    return s;
}

void SetText(HWND control, const std::string& text) {
    DWORD_PTR r;
    SendMessageTimeoutA(control, WM_SETTEXT, 0, LPARAM(text.c_str()), SMTO_ABORTIFHUNG, 5000, &r);
}

// A value the dialogs stored, "<missing>" when none is.
std::string Stored(const char* key) { return EditorSetting("StoredValues", key); }

// What the user does in a dialog.
struct Act {
    enum Kind { kType, kClick, kCombo, kDecibels } kind;
    int id;
    std::string text = {};
    int index = 0;
};
Act Type(int id, const std::string& t) { return {Act::kType, id, t, 0}; }
Act Click(int id) { return {Act::kClick, id, "", 0}; }
Act Combo(int id, int index) { return {Act::kCombo, id, "", index}; }
Act Decibels(int id, const std::string& t) { return {Act::kDecibels, id, t, 0}; }

class EffectDialogs : public ::testing::Test {
protected:
    // The editor's own settings: the data folder (the cut tank's, where the
    // curve files are) in the scratch folder, no playback after edits, and
    // the volume at its top, where the mixer's level is full and the played
    // samples are the document's own.
    void SetUp() override {
        dir = Absolute(test::ScratchDir("effects"));
        data = JoinPath(dir, "data");
        CreateDirectoryA(data.c_str(), nullptr);
        input = JoinPath(dir, "in.wav");
        ASSERT_TRUE(test::WriteWav16(input, Tone(4 * 11025, 2, 11025, 9000), 11025, 2));
        ClearEditorSettings();
        SetEditorSetting("Folders", "Current", data);
        SetEditorSetting("Settings", "AutoPlaybackAfterEffects", "0");
        SetEditorSetting("Settings", "WindowMaximized", "1");
        SetEditorSetting("Settings", "PlayVolume", "12");
    }
    // Exit, leaving the changed document unsaved.
    void TearDown() override {
        editor.ExitDiscarding();
        if (editor.WaitExit() == STILL_ACTIVE) editor.Kill();
        ClearEditorSettings();
    }
    void Do(HWND dlg, const Act& a) {
        switch (a.kind) {
            case Act::kType: SetText(GetDlgItem(dlg, a.id), a.text); break;
            case Act::kClick: drive::Click(dlg, a.id); break;
            case Act::kCombo: ComboSelect(dlg, a.id, a.index); break;
            case Act::kDecibels: SetText(GetDlgItem(GetDlgItem(dlg, a.id), IDC_DBEDIT_TEXT), a.text); break;
        }
    }
    // The command-line tool's output for the input file and these steps.
    std::vector<uint8_t> Cli(const std::string& steps, const std::string& in = "") {
        const std::string out = JoinPath(dir, "cli.wav");
        DeleteFileA(out.c_str());
        Program cli;
        EXPECT_TRUE(cli.Start(WinePath(SONDREL_CLI_EXE),
                              "--quiet \"" + (in.empty() ? input : in) + "\" " + steps + " \"" + out + "\""));
        EXPECT_EQ(cli.WaitExit(60000), 0u) << steps;
        return test::ReadBytes(out);
    }
    // Pixels of curve point (x, y) in the editor control.
    LPARAM CurvePixel(HWND curve, int x, int y) {
        RECT rc{};
        GetClientRect(curve, &rc);
        LCurveView v;
        v.SetClientSize(rc.right, rc.bottom, (GetWindowLongA(curve, GWL_STYLE) & 0x1000) != 0);
        return MAKELPARAM(v.ToWindowX(x), v.ToWindowY(y));
    }

    void StartEditor(const std::string& file, const std::string& exe = "") {
        ASSERT_TRUE(editor.Start("\"" + file + "\"", {}, exe));
        const std::string title = "Sondrel [" + file.substr(file.find_last_of('\\') + 1) + "]";
        ASSERT_TRUE(editor.WaitTitle(title, kEditorStartMs)) << "the editor did not show " << title;
    }
    // As a user selects: the scroll bar's thumb to START (in 1/200 of the
    // file), then Shift+End to the file's end.
    void SelectToEnd(int thumb, const std::string& time, const std::string& length) {
        editor.Thumb(thumb);
        ASSERT_TRUE(editor.WaitField(IDC_CURRENT_TIME, time)) << editor.Field(IDC_CURRENT_TIME);
        ASSERT_TRUE(editor.Press(VK_END, {VK_SHIFT}));
        ASSERT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, length)) << editor.Field(IDC_SELECTION_LENGTH);
    }
    HWND EditorDialog(const std::string& caption) { return editor.WaitDialog(caption, kStepMs); }
    // Saved through File > Save As and its file dialog; the bytes saved.
    std::vector<uint8_t> SavedByEditor(const std::string& name) {
        EXPECT_TRUE(editor.Idle());
        const std::string path = JoinPath(dir, name);
        DeleteFileA(path.c_str());
        EXPECT_TRUE(editor.SaveAs(path));
        return test::ReadBytes(path);
    }
    // Returns once the editor has handled every command posted before: a
    // scroll posted after them moves the position to 0.14 s or 0.18 s, in
    // turn, where no case leaves it.
    void Sync() {
        syncs ^= 1;
        editor.Thumb(syncs ? 7 : 9);
        EXPECT_TRUE(editor.WaitField(IDC_CURRENT_TIME, syncs ? "0:00:00.14" : "0:00:00.18"))
            << editor.Field(IDC_CURRENT_TIME);
    }
    // Edit > Undo until nothing is left to undo.
    void UndoAll() {
        for (int i = 0; i < 8 && editor.UndoEnabled(); ++i) {
            editor.Command(IDM_UNDO);
            Sync();
        }
        EXPECT_FALSE(editor.UndoEnabled());
    }

    std::string dir, data, input;
    Editor editor;
    int syncs = 0;
};

}  // namespace

// One editor, its cases undone between them. Each dialog opened by its menu
// command, filled and confirmed: the document then saves exactly as the
// command-line tool makes it from the same file, selection and values, and
// the values are stored. Cancel leaves the audio and the stored values as
// they were, also for the commands that take their undo record before the
// dialog. Then the curve dialogs, Help and F1, and refused values.
TEST_F(EffectDialogs, DialogsThroughTheEditorsMenus) {
    struct Case {
        const char* caption;
        int command;
        std::vector<Act> acts;
        std::string cli;  // the tool's steps after the selection
        std::vector<std::pair<const char*, const char*>> stored = {};
        bool pasteMix = false;  // copies first, then selects
    };
    const std::string other = JoinPath(dir, "other.wav");
    ASSERT_TRUE(test::WriteWav16(other, Tone(3 * 11025, 2, 11025, 5000), 11025, 2));
    std::vector<Case> cases = {
        {"Amplify", IDM_AMPLIFY, {Type(IDC_AMPLIFY_GAIN, "70")}, "--amplify 70", {{"AmplifyGain", "70"}}},
        {"Normalize", IDM_NORMALIZE, {Type(IDC_NORMALIZE_LEVEL, "80")}, "--normalize 80"},
        {"Echo", IDM_ECHO, {Type(IDC_ECHO_TIME, "250"), Type(IDC_ECHO_GAIN, "40")}, "--echo 250,40",
         {{"EchoTime", "250"}, {"EchoGain", "40"}}},
        {"Reverb ", IDM_REVERB, {Type(IDC_REVERB_LEVEL, "60"), Type(IDC_REVERB_TIME, "300")}, "--reverb 60,300"},
        {"Noise Reduction", IDM_NOISE_REDUCTION, {Decibels(IDC_NOISE_GATE_LEVEL, "-20")}, "--noise-reduction -20",
         {{"NoiseGateLevel", "-20"}}},
        {"Low Cut Filter", IDM_HIGH_PASS_FILTER, {Type(IDC_LOW_CUT_FREQUENCY, "400")}, "--low-cut 400"},
        {"Dynamic Range Compressor", IDM_COMPRESSOR,
         {Decibels(IDC_COMPRESSOR_THRESHOLD, "-20"), Combo(IDC_COMPRESSOR_RATIO, 2), Decibels(IDC_COMPRESSOR_LIMIT, "3")},
         "--compressor -20,2,3", {{"CompressorThreshold", "-20"}, {"CompressorRatio", "2"}, {"CompressorLimit", "3"}}},
        {"Simple Speed and Pitch Change", IDM_SIMPLE_SPEED_PITCH, {Type(IDC_SPEED_PERCENT, "150")}, "--speed-pitch 150"},
        {"Constant Pitch and Speed Change", IDM_CONSTANT_PITCH_SPEED, {Type(IDC_SPEED_PERCENT, "80")}, "--tempo 80"},
        // Confirmed as it opens: 100 %, the pitch kept.
        {"Constant Speed and Pitch Change", IDM_CONSTANT_SPEED_PITCH, {}, "--pitch 100", {{"ConstSpeedPitch", "100"}}},
        {"Repeat Loop", IDM_REPEAT_LOOP, {Type(IDC_REPEAT_TIMES, "2")}, "--repeat 2"},
        {"Insert Silence", IDM_INSERT_SILENCE_BEGIN, {Type(IDC_SILENCE_TIME, "700")}, "--insert-silence 700,begin",
         {{"SilenceTimes", "700"}}},
        {"Paste Mix", IDM_PASTE_MIX,
         {Type(IDC_MIX_VOLUME, "80"), Click(IDC_MIX_FADE_OUT), Type(IDC_MIX_FADE_TIME, "300")},
         "--select 500,4000 --copy --select 1000,4000 --paste-mix 80,2,300",
         {{"PasteMixVolume", "80"}, {"LongerSelection", "2"}, {"FadeOutTime", "300"}}, true},
    };
    // A copy of the editor with no manual beside it: a help page asked for
    // then names itself in the editor's message instead of opening a browser.
    const std::string programs = JoinPath(dir, "program");
    CreateDirectoryA(programs.c_str(), nullptr);
    const std::string exe = JoinPath(programs, "sondrel.exe");
    ASSERT_TRUE(CopyFileA(WinePath(SONDREL_EXE).c_str(), exe.c_str(), FALSE));
    StartEditor(input, exe);
    const std::vector<uint8_t> unchanged = Cli("");

    // Cancelled first, while nothing is stored yet.
    for (auto [command, caption, field] :
         {std::tuple{IDM_ECHO, "Echo", IDC_ECHO_TIME}, std::tuple{IDM_CONSTANT_SPEED_PITCH,
                                                                 "Constant Speed and Pitch Change", IDC_SPEED_PERCENT},
          std::tuple{IDM_INSERT_SILENCE_END, "Insert Silence", IDC_SILENCE_TIME}}) {
        SCOPED_TRACE(caption);
        SelectToEnd(50, "0:00:01.00", "0:00:03.000");
        editor.Command(command);
        HWND dlg = EditorDialog(caption);
        ASSERT_NE(dlg, nullptr);
        Do(dlg, Type(field, "120"));
        drive::Click(dlg, IDCANCEL);
        EXPECT_TRUE(WaitForWindowGone(dlg, kStepMs));
    }
    EXPECT_TRUE(SavedByEditor("cancelled.wav") == unchanged);
    for (const char* key : {"EchoTime", "ConstSpeedPitch", "SilenceTimes"})
        EXPECT_EQ(Stored(key), "<missing>") << key;
    UndoAll();

    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        if (c.pasteMix) {
            SelectToEnd(25, "0:00:00.50", "0:00:03.500");
            editor.Command(IDM_COPY);
        }
        SelectToEnd(50, "0:00:01.00", "0:00:03.000");
        editor.Command(c.command);
        HWND dlg = EditorDialog(c.caption);
        ASSERT_NE(dlg, nullptr);
        for (const Act& a : c.acts) Do(dlg, a);
        drive::Click(dlg, IDOK);
        EXPECT_TRUE(WaitForWindowGone(dlg, kStepMs));
        ASSERT_TRUE(WaitUntil([&] { return editor.UndoEnabled(); }, kStepMs)) << "no change to undo";
        const std::vector<uint8_t> got = SavedByEditor("case" + std::to_string(++n) + ".wav");
        ASSERT_GT(got.size(), 44u);
        const std::string select = c.pasteMix ? "" : "--select 1000,4000 ";
        EXPECT_TRUE(got == Cli(select + c.cli)) << c.cli;
        for (auto [key, value] : c.stored) EXPECT_EQ(Stored(key), value) << key;
        UndoAll();
    }

    // Mix File: the file comes first from the open-file dialog.
    SelectToEnd(50, "0:00:01.00", "0:00:03.000");
    editor.Command(IDM_MIX_FILE);
    HWND open = EditorDialog("Open Audio Files");
    ASSERT_NE(open, nullptr);
    SetText(GetDlgItem(open, 1148), other);
    drive::Click(open, IDOK);
    HWND mix = EditorDialog("Mix File");
    ASSERT_NE(mix, nullptr);
    Do(mix, Type(IDC_MIX_VOLUME, "50"));
    Do(mix, Click(IDC_MIX_INSERT_SILENCE));
    drive::Click(mix, IDOK);
    EXPECT_TRUE(WaitForWindowGone(mix, kStepMs));
    ASSERT_TRUE(WaitUntil([&] { return editor.UndoEnabled(); }, kStepMs));
    EXPECT_TRUE(SavedByEditor("mixfile.wav") == Cli("--select 1000,4000 --mix-file \"" + other + "\",50,1"));
    EXPECT_EQ(Stored("LongerSelection"), "1");

    // The curve dialogs: posted mouse messages edit the curve; OK writes the
    // curve file in the data folder, which the operation then uses; Cancel
    // writes nothing.
    UndoAll();
    struct CurveCase {
        const char* caption;
        int command;
        const char* file;
        const char* step;
    };
    for (const CurveCase& c : {CurveCase{"Envelope", IDM_ENVELOPE, "envelope.dat", "--envelope"},
                               CurveCase{"Equalizer", IDM_EQUALIZER, "equalizer.dat", "--equalizer"}}) {
        SCOPED_TRACE(c.caption);
        const std::string file = JoinPath(data, c.file);
        UndoAll();
        // Opened and cancelled after an edit: the missing file is made flat, nothing more.
        SelectToEnd(50, "0:00:01.00", "0:00:03.000");
        editor.Command(c.command);
        HWND dlg = EditorDialog(c.caption);
        ASSERT_NE(dlg, nullptr);
        HWND curve = GetDlgItem(dlg, IDC_CURVE);
        const std::vector<uint8_t> flat = {2, 0, 128, 255, 128};
        EXPECT_EQ(test::ReadBytes(file), flat);
        PostMessageA(curve, WM_LBUTTONDOWN, MK_LBUTTON, CurvePixel(curve, 128, 200));
        PostMessageA(curve, WM_LBUTTONUP, 0, CurvePixel(curve, 128, 200));
        drive::Click(dlg, IDC_SET_FLAT);
        drive::Click(dlg, IDCANCEL);
        EXPECT_TRUE(WaitForWindowGone(dlg, kStepMs));
        EXPECT_EQ(test::ReadBytes(file), flat);
        EXPECT_TRUE(SavedByEditor(std::string(c.file) + ".cancelled.wav") == Cli("")) << "cancelled: the audio is unchanged";

        // Edited and confirmed.
        UndoAll();
        SelectToEnd(50, "0:00:01.00", "0:00:03.000");
        editor.Command(c.command);
        dlg = EditorDialog(c.caption);
        ASSERT_NE(dlg, nullptr);
        curve = GetDlgItem(dlg, IDC_CURVE);
        PostMessageA(curve, WM_LBUTTONDOWN, MK_LBUTTON, CurvePixel(curve, 64, 200));  // a new point
        PostMessageA(curve, WM_MOUSEMOVE, MK_LBUTTON, CurvePixel(curve, 80, 40));    // dragged
        PostMessageA(curve, WM_LBUTTONUP, 0, CurvePixel(curve, 80, 40));
        PostMessageA(curve, WM_LBUTTONDOWN, MK_LBUTTON, CurvePixel(curve, 255, 128));  // the last point
        PostMessageA(curve, WM_MOUSEMOVE, MK_LBUTTON, CurvePixel(curve, 100, 60));    // keeps x 255
        PostMessageA(curve, WM_LBUTTONUP, 0, CurvePixel(curve, 100, 60));
        PostMessageA(curve, WM_RBUTTONDOWN, MK_RBUTTON, CurvePixel(curve, 0, 128));  // an end: stays
        PostMessageA(curve, WM_RBUTTONUP, 0, CurvePixel(curve, 0, 128));
        drive::Click(dlg, IDOK);
        EXPECT_TRUE(WaitForWindowGone(dlg, kStepMs));
        ASSERT_TRUE(WaitUntil([&] { return editor.UndoEnabled(); }, kStepMs));
        const std::vector<uint8_t> bytes = test::ReadBytes(file);
        ASSERT_EQ(bytes.size(), 7u);
        EXPECT_EQ(bytes[0], 3);
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 1, bytes.begin() + 3), (std::vector<uint8_t>{0, 128}));
        EXPECT_NEAR(bytes[3], 80, 1);  // pixels and back
        EXPECT_NEAR(bytes[4], 40, 1);
        EXPECT_EQ(bytes[5], 255);
        EXPECT_NEAR(bytes[6], 60, 1);
        EXPECT_TRUE(SavedByEditor(std::string(c.file) + ".wav") == Cli(std::string("--select 1000,4000 ") + c.step + " \"" + file + "\""));
    }

    // Help and F1 in a dialog ask for the dialog's page of the manual.
    SelectToEnd(50, "0:00:01.00", "0:00:03.000");
    const std::string manual = JoinPath(programs, "Manual");
    for (auto [command, caption, page, byKey] :
         {std::tuple{IDM_COMPRESSOR, "Dynamic Range Compressor", "effects.html", false},
          std::tuple{IDM_REPEAT_LOOP, "Repeat Loop", "edit-dialogs.html", true}}) {
        SCOPED_TRACE(caption);
        editor.Command(command);
        HWND dlg = EditorDialog(caption);
        ASSERT_NE(dlg, nullptr);
        if (byKey)
            PostMessageA(GetDlgItem(dlg, IDC_REPEAT_TIMES), WM_KEYDOWN, VK_F1, 1);
        else
            drive::Click(dlg, IDHELP);
        MessageBoxShown box;
        ASSERT_TRUE(editor.WaitMessageBox("Sondrel Help", box, kStepMs));
        EXPECT_EQ(box.text, "The manual page \"" + JoinPath(manual, page) +
                                "\" is missing. Install Sondrel again to restore the manual.");
        drive::Click(box.window, IDOK);
        EXPECT_TRUE(WaitForWindowGone(box.window, kStepMs));
        EXPECT_TRUE(IsWindowVisible(dlg));
        drive::Click(dlg, IDCANCEL);
        EXPECT_TRUE(WaitForWindowGone(dlg, kStepMs));
    }

    // A refused value shows its message over the dialog, which stays open
    // for a correction.
    {
        struct RefusedCase {
            const char* caption;
            int command, field;
            const char* bad;
            const char* boxCaption;
            const char* message;
            const char* good;
        };
        const RefusedCase refused[] = {
            {"Echo", IDM_ECHO, IDC_ECHO_TIME, "3000", "Invalid value",
             "Echo time must be between 10 and 3000ms. Please try again.", "2999"},
            {"Reverb ", IDM_REVERB, IDC_REVERB_TIME, "abc", "Invalid value",
             "Reverb Time (50 - 1000 ms) must be a whole number. Please try again.", "60"},
            {"Simple Speed and Pitch Change", IDM_SIMPLE_SPEED_PITCH, IDC_SPEED_PERCENT, "301", "Error",
             "Speed Change Percent must be less than 300.", "300"},
            {"Convert Sample Rate", IDM_CONVERT_SAMPLE_RATE, IDC_SAMPLE_RATE, "96001", "Error",
             "Sample rates must be between 6000 and 96000 samples per second.", "96000"},
            {"New File", IDM_NEW, IDC_SAMPLE_RATE, "5999", "Error",
             "Sample rates must be between 6000 and 96000 samples per second.", "6000"},
        };
        for (const RefusedCase& c : refused) {
            SCOPED_TRACE(c.caption);
            editor.Command(c.command);
            HWND dlg = EditorDialog(c.caption);
            ASSERT_NE(dlg, nullptr);
            Do(dlg, Type(c.field, c.bad));
            drive::Click(dlg, IDOK);
            MessageBoxShown box;
            ASSERT_TRUE(editor.WaitMessageBox(c.boxCaption, box, kStepMs));
            EXPECT_EQ(box.text, c.message);
            drive::Click(box.window, IDOK);
            EXPECT_TRUE(WaitForWindowGone(box.window, kStepMs));
            EXPECT_TRUE(IsWindowVisible(dlg));
            Do(dlg, Type(c.field, c.good));
            drive::Click(dlg, IDOK);
            EXPECT_TRUE(WaitForWindowGone(dlg, kStepMs));
            EXPECT_TRUE(editor.Idle());
        }
        // The last two went through: the converted document and the new file's rate.
        EXPECT_EQ(Stored("EchoTime"), "2999");
        EXPECT_EQ(Stored("ReverbTime"), "60");
        EXPECT_EQ(EditorSetting("Settings", "SelectedSampleRate"), "6000");
    }

}

// Preview plays the copy of the document from its start through the echo
// with the values shown; a changed value restarts it; closing the dialog
// stops it. The file plugin of the test set-up records what was played.
TEST_F(EffectDialogs, PreviewPlaysTheEffectAndFollowsTheValues) {
    const std::string home = Environment("SONDREL_WINE_HOME");
    ASSERT_FALSE(home.empty()) << "run under tools/wine-ctest.sh";
    const std::string played = WinePath(home + "/play.raw");
    DeleteFileA(played.c_str());
    // Sixty seconds at 8000 Hz mono: long enough to be still playing when
    // the value changes, at the file plugin's four times real time.
    const int32_t rate = 8000, frames = 60 * rate;
    const std::vector<int16_t> tone = Tone(frames, 1, rate, 6000);
    const std::string longInput = JoinPath(dir, "long.wav");
    ASSERT_TRUE(test::WriteWav16(longInput, tone, rate, 1));
    StartEditor(longInput);
    SelectToEnd(50, "0:00:15.00", "0:00:45.000");

    // What the player must play: the effect over the document, through the
    // player's peak limiter, in 16 bits.
    auto expected = [&](int32_t gain, int32_t ms, size_t count) {
        std::vector<int32_t> doc(tone.size());
        for (size_t i = 0; i < tone.size(); ++i) doc[i] = int32_t(tone[i]) * 16;
        LSoundSourcePtr src = MakeSource<test::VectorSource>(doc, rate, 1, 0x200000);
        LSoundSourcePtr fx = LSPEcho(ms, gain).OpenSource(src);
        LSoundSourcePtr out = MakeSource<LSRCPeakLimit>(fx, 0x7FFF0);
        std::vector<int32_t> s(count);
        for (size_t done = 0; done < count; done += 8192) out->Read(s.data() + done, int32_t(std::min<size_t>(8192, count - done)));
        std::vector<int16_t> r(count);
        ConvertToPCM16(s.data(), r.data(), int32_t(count));
        return r;
    };
    auto capture = [&] {
        std::vector<uint8_t> b = test::ReadBytes(played);
        std::vector<int16_t> s(b.size() / 2);
        if (!s.empty()) std::memcpy(s.data(), b.data(), s.size() * 2);
        return s;
    };
    // Where a stretch of expected samples starts in the capture, or npos.
    auto find = [](const std::vector<int16_t>& hay, const std::vector<int16_t>& needle) -> size_t {
        auto it = std::search(hay.begin(), hay.end(), needle.begin(), needle.end());
        return it == hay.end() ? std::string::npos : size_t(it - hay.begin());
    };

    editor.Command(IDM_ECHO);
    HWND dlg = EditorDialog("Echo");
    ASSERT_NE(dlg, nullptr);
    Do(dlg, Type(IDC_ECHO_TIME, "200"));
    Do(dlg, Type(IDC_ECHO_GAIN, "60"));
    drive::Click(dlg, IDC_PREVIEW);
    EXPECT_TRUE(WaitUntil([&] { return Text(GetDlgItem(dlg, IDC_PREVIEW)) == "Stop"; }, kStepMs));
    const size_t n = size_t(3 * rate);  // the first three seconds
    const std::vector<int16_t> first = expected(60, 200, n);
    ASSERT_TRUE(WaitUntil([&] { return capture().size() >= n; }, kStepMs));
    std::vector<int16_t> got = capture();
    EXPECT_TRUE(std::equal(first.begin(), first.end(), got.begin())) << "the preview plays from the start";

    // A changed time (out of OK's range: the preview limits it to 3000 ms)
    // starts the preview again from the document's start.
    Do(dlg, Type(IDC_ECHO_TIME, "7000"));
    const std::vector<int16_t> second = expected(60, 3000, n);
    const std::vector<int16_t> probe(second.begin() + 3 * rate / 2, second.begin() + 3 * rate);  // past 1.5 s
    ASSERT_EQ(find(first, probe), std::string::npos);
    EXPECT_TRUE(WaitUntil([&] { return find(capture(), probe) != std::string::npos; }, kStepMs))
        << "no restart with the new time";
    EXPECT_EQ(Text(GetDlgItem(dlg, IDC_PREVIEW)), "Stop");

    // Closing the dialog stops it well before the end of the document: the
    // capture stops growing (for a second of polls) far short of it.
    drive::Click(dlg, IDCANCEL);
    EXPECT_TRUE(WaitForWindowGone(dlg, kStepMs));
    size_t last = SIZE_MAX;
    DWORD since = GetTickCount();
    EXPECT_TRUE(WaitUntil(
        [&] {
            const size_t now = capture().size();
            if (now != last) {
                last = now;
                since = GetTickCount();
            }
            return GetTickCount() - since >= 1000;
        },
        kStepMs))
        << "still playing after the dialog closed";
    EXPECT_LT(capture().size(), tone.size() / 2);
    EXPECT_EQ(Stored("EchoTime"), "<missing>");
}
