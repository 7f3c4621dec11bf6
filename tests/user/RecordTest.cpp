// Recording as a user meets it in the editor, under Wine: F5 in the real
// sondrel.exe (with no document: a new one of the stored default format)
// opens "Record Control", which records at once from the wave-in device.
// The device is Wine's ALSA input from a private PulseAudio whose file
// plugin delivers a known speech file at real time (tools/wine-record.sh):
// 1.5 s of silence, a sentence, 6 s of silence, a sentence, then zeros. The
// driver lets the recording run, closes the dialog, saves the document
// through Save As and checks what it holds against the file after the
// recorder's DC filter: buffer by buffer through the recorder's rules, and
// by the positions a user would expect from the file itself.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "EditorDriver.h"
#include "core/LSample.h"
#include "core/LSoundTime.h"
#include "devices/LDeviceMath.h"
#include "devices/LRecorderCore.h"
#include "support/LFile.h"
#include "support/LResourceIds.h"
#include "support/MemorySink.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::drive;

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kFrames = 4410;  // one device buffer, 100 ms
constexpr DWORD kStepMs = kEditorStepMs;
const char kDialog[] = "Record Control";

int32_t Ms(int64_t frames) { return int32_t(frames * 1000 / kRate); }

// The infile as 16-bit samples, padded with zeros to whole buffers and
// `extra` more.
std::vector<int16_t> Infile(int32_t extra) {
    std::vector<uint8_t> bytes;
    const char* path = std::getenv("SONDREL_RECORD_INFILE");
    if (path) LFile::ReadAll(WinePath(path).c_str(), bytes);
    size_t n = bytes.size() / 2;
    std::vector<int16_t> pcm((n + kFrames - 1) / kFrames * kFrames + size_t(extra) * kFrames, 0);
    if (n) std::memcpy(pcm.data(), bytes.data(), n * 2);
    return pcm;
}
size_t InfileFrames() {
    const char* path = std::getenv("SONDREL_RECORD_INFILE");
    LFile f;
    return path && f.Open(WinePath(path).c_str(), LFile::kRead) ? size_t(f.Size() / 2) : 0;
}

// The file after the DC filter, from its first sample.
std::vector<int32_t> Filtered(const std::vector<int16_t>& pcm) {
    std::vector<int32_t> v(pcm.size());
    ConvertFromPCM16(pcm.data(), v.data(), int32_t(v.size()));
    LDCFilter f;
    f.Setup(kRate, 1);
    f.Apply(v.data(), int32_t(v.size()));
    return v;
}

// The level of each buffer of the filtered file, as the recorder measures it.
std::vector<int32_t> BufferLevels(const std::vector<int32_t>& filtered) {
    std::vector<int32_t> levels;
    for (size_t at = 0; at + kFrames <= filtered.size(); at += kFrames) {
        LChannelLevels lv;
        RecorderLevels(filtered.data() + at, kFrames, 1, lv);
        levels.push_back(DecisiveLevel(lv));
    }
    return levels;
}
int32_t FirstHalfLevel(const std::vector<int32_t>& filtered, size_t buffer) {
    LChannelLevels lv;
    RecorderLevels(filtered.data() + buffer * kFrames, kFrames / 2, 1, lv);
    return DecisiveLevel(lv);
}

// What the recorder's rules make of the file's buffers for a take that is
// stopped well after the file's end.
std::vector<int32_t> ThroughTheRecorder(const std::vector<int16_t>& pcm, bool atOnce, int32_t stopDelay,
                                        int32_t threshold) {
    std::vector<int32_t> out;
    LRecorderCore core;
    LSoundSinkPtr sink(new test::MemorySink(kRate, &out));
    if (!core.Begin(sink, atOnce, stopDelay, threshold, 0)) return {};
    sink.Reset();
    core.Prepare();
    for (size_t at = 0; at + kFrames <= pcm.size(); at += kFrames) {
        core.LoadBuffer(pcm.data() + at);
        core.ProcessBuffer();
    }
    core.Finish();
    return out;
}

// Where `part` lies in `whole`, from `from` on; -1 when nowhere.
template <typename T>
int64_t Find(const std::vector<T>& whole, const std::vector<T>& part, size_t n, size_t from = 0) {
    n = std::min(n, part.size());
    if (n == 0) return -1;
    for (size_t at = from; at + n <= whole.size(); ++at)
        if (std::equal(part.begin(), part.begin() + long(n), whole.begin() + long(at))) return int64_t(at);
    return -1;
}

// Where two recordings part, in ms, for the failure messages.
template <typename T>
std::string Parting(const std::vector<T>& got, const std::vector<T>& want) {
    size_t n = std::min(got.size(), want.size()), i = 0;
    while (i < n && got[i] == want[i]) ++i;
    return "they part at " + std::to_string(Ms(int64_t(i))) + " ms of " + std::to_string(Ms(int64_t(got.size()))) +
           " / " + std::to_string(Ms(int64_t(want.size()))) + " ms";
}

// "h:mm:ss.hh" in ms; -1 when it is not a time.
int32_t ParseTime(const std::string& text) {
    int h, m, s, c;
    if (std::sscanf(text.c_str(), "%d:%d:%d.%d", &h, &m, &s, &c) != 4) return -1;
    return ((h * 60 + m) * 60 + s) * 1000 + c * 10;
}

// The file's samples as the editor saves them: 16 bits, rounded.
std::vector<int16_t> Saved16(const std::vector<int32_t>& v) {
    std::vector<int16_t> r(v.size());
    ConvertToPCM16(v.data(), r.data(), int32_t(v.size()));
    return r;
}

class Recording : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("SONDREL_RECORD_INFILE"), nullptr) << "run under tools/wine-record.sh";
        work = Absolute(test::ScratchDir("record"));
        data = JoinPath(work, "Current");
        CreateDirectoryA(data.c_str(), nullptr);
        // New documents without asking: 44100 Hz mono, the infile's format;
        // no playback after the take.
        ClearEditorSettings();
        SetEditorSetting("Folders", "Current", data);
        SetEditorSetting("Settings", "PromptSampleAndChannels", "0");
        SetEditorSetting("Settings", "DefaultSampleRate", "44100");
        SetEditorSetting("Settings", "DefaultChannels", "1");
        SetEditorSetting("Settings", "AutoPlaybackAfterEffects", "0");
        pcm = Infile(40);
        filtered = Filtered(pcm);
        filtered16 = Saved16(filtered);
        levels = BufferLevels(filtered);
    }
    void TearDown() override {
        editor.ExitDiscarding();
        if (editor.WaitExit() == STILL_ACTIVE) editor.Kill();
        ClearEditorSettings();
    }

    void Store(const char* key, const char* value) { SetEditorSetting("Recorder", key, value); }
    std::string Stored(const char* key) { return EditorSetting("Recorder", key); }

    // Starts the editor with no document and opens the dialog with F5.
    HWND OpenDialog() {
        if (!editor.Start("") || !editor.WaitTitle("Sondrel", kEditorStartMs) || !editor.Press(VK_F5)) return nullptr;
        return editor.WaitDialog(kDialog);
    }
    // The position the dialog shows.
    static int32_t Shown(HWND dialog) { return ParseTime(Text(GetDlgItem(dialog, IDC_TRANSPORT_TIME))); }
    // Waits until the dialog shows at least ms (the recording runs at real time).
    static bool WaitShown(HWND dialog, int32_t ms, DWORD timeoutMs) {
        return WaitUntil([&] { return Shown(dialog) >= ms; }, timeoutMs, 50);
    }
    // The level the meter shows (its first bar, a word at byte 2 of its window data).
    static int32_t Metered(HWND dialog) { return int16_t(GetWindowWord(GetDlgItem(dialog, IDC_TRANSPORT_METER), 2)); }
    // Waits until the take has reached its last loud moment (the position
    // shows it) and a quiet buffer has come after it (the meter shows it),
    // so that closing now keeps all a longer take would keep.
    static bool WaitLoudEnd(HWND dialog, int32_t lastLoudMs, DWORD timeoutMs) {
        return WaitUntil([&] { return Shown(dialog) >= lastLoudMs && Metered(dialog) < -29; }, timeoutMs, 50);
    }
    // Closes the dialog as a user does; true once the editor shows "Untitled n".
    bool Close(HWND dialog, int n) {
        Click(dialog, IDOK);
        return WaitForWindowGone(dialog, kStepMs) && editor.WaitTitle("Sondrel [Untitled " + std::to_string(n) + "]");
    }
    // Document n (Window menu) as the user finds it: "Untitled n" with the
    // take to save and to undo, the take selected; its samples as Save As
    // writes them.
    std::vector<int16_t> Take(int n) {
        const std::string name = "Untitled " + std::to_string(n);
        editor.Command(IDM_WINDOW_FIRST + n - 1);
        EXPECT_TRUE(editor.WaitTitle("Sondrel [" + name + "]")) << editor.Title();
        EXPECT_TRUE(editor.UndoEnabled());
        const std::string start = editor.Field(IDC_SELECTION_START), end = editor.Field(IDC_SELECTION_END);
        editor.Command(IDM_CLOSE);  // changes to save: Close asks, Cancel keeps it
        EXPECT_EQ(editor.Answer(IDCANCEL), "Save changes to \"" + name + "\"?");
        const std::string saved = JoinPath(work, "take" + std::to_string(n) + ".wav");
        EXPECT_TRUE(editor.SaveAs(saved));
        WavData w = ReadWav(saved);
        EXPECT_EQ(w.rate, kRate);
        EXPECT_EQ(w.chans, 1);
        EXPECT_EQ(start, FormatPosition(LSoundTime(0)));
        EXPECT_EQ(end, FormatPosition(LSoundTime(Ms(w.Frames()))));
        return w.Samples();
    }

    // The first buffer at or above a level, and the last one.
    size_t FirstAtOrAbove(int32_t level, size_t from = 0) const {
        for (size_t i = from; i < levels.size(); ++i)
            if (levels[i] >= level) return i;
        return levels.size();
    }
    size_t LastAtOrAbove(int32_t level) const {
        for (size_t i = levels.size(); i-- > 0;)
            if (levels[i] >= level) return i;
        return levels.size();
    }
    // Where a take that starts with buffer b begins in the file: 50 ms
    // earlier when the sound is loud already in the buffer's first half.
    size_t OnsetFrame(size_t b, int32_t threshold) const {
        return FirstHalfLevel(filtered, b) >= threshold && b > 0 ? b * kFrames - kFrames / 2 : b * kFrames;
    }

    std::string work, data;
    Editor editor;
    std::vector<int16_t> pcm;
    std::vector<int32_t> filtered;
    std::vector<int16_t> filtered16;
    std::vector<int32_t> levels;
};

}  // namespace

// Automatic trimming (the default, threshold -24 dB): the leading silence
// goes, the take begins with the first loud buffer (or 50 ms before it) and
// ends 50 ms after the last buffer at or above -29 dB. Undo takes it out.
TEST_F(Recording, TrimmingKeepsTheSpeechFromItsOnsetTo50msAfterTheLastLoudBuffer) {
    const std::vector<int16_t> expected = Saved16(ThroughTheRecorder(pcm, false, 216000000, -24));
    ASSERT_GT(expected.size(), size_t(kRate));
    HWND dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr) << "F5 did not open the record dialog";
    EXPECT_TRUE(IsDlgButtonChecked(dialog, IDC_RECORD_START));
    // The position shows the last loud moment; once it is where the speech
    // ends, everything that counts has been recorded.
    ASSERT_TRUE(WaitLoudEnd(dialog, Ms(expected.size()) - 60, 40000)) << Text(GetDlgItem(dialog, IDC_TRANSPORT_TIME));
    ASSERT_TRUE(Close(dialog, 1));
    const std::vector<int16_t> got = Take(1);
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected) << Parting(got, expected);

    // The same from the file's own levels.
    const size_t first = FirstAtOrAbove(-24), last = LastAtOrAbove(-29);
    ASSERT_LT(first, levels.size());
    EXPECT_GE(first * 100, 1400u);  // the leading 1.5 s of silence is quiet
    const int64_t at = Find(filtered16, got, 20000);
    ASSERT_GE(at, 0) << "the take is not a stretch of the filtered file";
    EXPECT_EQ(size_t(at), OnsetFrame(first, -24));
    EXPECT_TRUE(std::equal(got.begin(), got.end(), filtered16.begin() + at)) << "the pause of 6 s is kept whole";
    EXPECT_EQ(size_t(at) + got.size(), (last + 1) * kFrames + size_t(kRate) / 20);
    std::printf("trimming: take of %d ms from %d ms of the file, ending %d ms after the last loud buffer\n",
                Ms(int64_t(got.size())), Ms(at), Ms(at + int64_t(got.size())) - Ms(int64_t(last + 1) * kFrames));

    // Undo removes the take.
    ASSERT_TRUE(editor.Press('Z', {VK_CONTROL}));
    EXPECT_TRUE(WaitUntil([&] { return !editor.UndoEnabled(); }, kStepMs));
    ASSERT_TRUE(editor.Press('A', {VK_CONTROL}));
    EXPECT_TRUE(editor.WaitField(IDC_SELECTION_LENGTH, "0:00:00.000")) << editor.Field(IDC_SELECTION_LENGTH);
}

// Voice activation: more than 5 s below -29 dB pauses the take, which keeps
// 450 ms after the last loud buffer and goes on with the next sound.
TEST_F(Recording, VoiceActivationCutsTheLongPauseTo450ms) {
    Store("Vor", "1");
    const std::vector<int16_t> expected = Saved16(ThroughTheRecorder(pcm, false, 5000, -24));
    HWND dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitLoudEnd(dialog, Ms(expected.size()) - 60, 40000)) << Text(GetDlgItem(dialog, IDC_TRANSPORT_TIME));
    ASSERT_TRUE(Close(dialog, 1));
    const std::vector<int16_t> got = Take(1);
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected) << Parting(got, expected);

    // From the file: the first sentence from its onset to 450 ms after its
    // last loud buffer, then the second from its onset to 50 ms after its end.
    const size_t first = FirstAtOrAbove(-24);
    // The first sentence's last loud buffer: the last one before more than
    // 5 s (51 buffers) of quiet.
    size_t end1 = first;
    for (size_t i = first + 1; i < levels.size() && i - end1 <= 51; ++i)
        if (levels[i] >= -29) end1 = i;
    const size_t second = FirstAtOrAbove(-24, end1 + 1), last = LastAtOrAbove(-29);
    ASSERT_GT(second, end1 + 50) << "the file's pause is shorter than the stop delay";
    const size_t start1 = OnsetFrame(first, -24), keep1 = (end1 + 1) * kFrames + size_t(kRate) * 45 / 100;
    const size_t start2 = OnsetFrame(second, -24), stop2 = (last + 1) * kFrames + size_t(kRate) / 20;
    std::vector<int16_t> want(filtered16.begin() + long(start1), filtered16.begin() + long(keep1));
    want.insert(want.end(), filtered16.begin() + long(start2), filtered16.begin() + long(stop2));
    EXPECT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want) << Parting(got, want);
    // About six seconds of the pause are gone.
    EXPECT_GT(Ms(stop2 - start1) - Ms(got.size()), 5000);
    std::printf("voice activation: pause of %d ms in the file kept as %d ms; take %d ms\n",
                Ms(int64_t(start2) - int64_t((end1 + 1) * kFrames)), Ms(int64_t(keep1 - (end1 + 1) * kFrames)),
                Ms(int64_t(got.size())));
}

// Without automatic trimming everything is kept from the first buffer the
// device delivered, also with a stored voice activation (which then has no
// effect), and nothing is trimmed at the end.
TEST_F(Recording, WithoutTrimmingEverythingFromTheFirstBufferIsKept) {
    Store("Autotrim", "0");
    Store("Vor", "1");
    const int32_t fileMs = Ms(InfileFrames());
    HWND dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitShown(dialog, fileMs + 400, 40000)) << Text(GetDlgItem(dialog, IDC_TRANSPORT_TIME));
    const int32_t shown = Shown(dialog);
    ASSERT_TRUE(Close(dialog, 1));
    const std::vector<int16_t> got = Take(1);
    ASSERT_GE(got.size(), InfileFrames());
    ASSERT_LE(got.size(), filtered16.size());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), filtered16.begin())) << "not the file from its first sample";
    // The end is where recording stopped, not trimmed back to the speech.
    EXPECT_GE(Ms(got.size()), shown);
    std::printf("without trimming: take of %d ms, the file's first %d ms exactly; the dialog showed %d ms\n",
                Ms(int64_t(got.size())), Ms(int64_t(got.size())), shown);
    EXPECT_EQ(Stored("Vor"), "1");
    EXPECT_EQ(Stored("Autotrim"), "0");
}

// F5 in the dialog keeps the take, opens a new untitled document and
// records into it: two documents, each with its take.
TEST_F(Recording, RecordNextLeavesTwoDocumentsEachWithItsTake) {
    const std::vector<int16_t> whole = Saved16(ThroughTheRecorder(pcm, false, 216000000, -24));
    HWND dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitShown(dialog, 800, 30000));
    PostMessageA(dialog, WM_KEYDOWN, VK_F5, 1);
    ASSERT_TRUE(WaitForWindowGone(dialog, kStepMs));
    HWND next = editor.WaitDialog(kDialog);
    ASSERT_NE(next, nullptr) << "the dialog did not open again for the next file";
    EXPECT_EQ(Text(GetDlgItem(next, IDC_TRANSPORT_FILE_NAME)), "Untitled 2");
    ASSERT_TRUE(WaitShown(next, 800, 30000));
    ASSERT_TRUE(Close(next, 2));
    for (int n = 1; n <= 2; ++n) {
        SCOPED_TRACE(n);
        const std::vector<int16_t> got = Take(n);
        // Each take is the start of what the whole file would have given.
        EXPECT_GE(Ms(got.size()), 800);
        ASSERT_LE(got.size(), whole.size());
        EXPECT_TRUE(std::equal(got.begin(), got.end(), whole.begin()));
    }
    EXPECT_TRUE(editor.ExitDiscarding().empty());  // the two documents, both saved: no more
}

// The input list with the record volume or the mixer button, and the
// advanced settings: voice activation cannot be changed while trimming is
// off but keeps its stored value, and a threshold typed as -50 is stored as
// -40. Everything is written to "Recorder" when the dialog has closed.
TEST_F(Recording, InputsAndAdvancedSettings) {
    // The "browser" F1 starts notes its command line (the editor started
    // below inherits where).
    const std::string argsLog = JoinPath(work, "browser.log");
    ASSERT_TRUE(RegSet(HKEY_CLASSES_ROOT, ".html", nullptr, "htmlfile"));
    ASSERT_TRUE(RegSet(HKEY_CLASSES_ROOT, "htmlfile\\shell\\open\\command", nullptr,
                       "\"" + WinePath(BROWSER_DOUBLE_EXE) + "\" \"%1\""));
    SetEnvironmentVariableA("SONDREL_TEST_ARGS_LOG", argsLog.c_str());
    Store("Autotrim", "0");
    Store("Vor", "1");
    Store("Volume", "-6");
    HWND dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    HWND inputs = GetDlgItem(dialog, IDC_RECORD_INPUT);
    ASSERT_GE(ComboCount(inputs), 2);
    EXPECT_EQ(ComboItem(inputs, 0), "Windows Record Mixer");
    EXPECT_EQ(ComboSelection(inputs), 0);
    EXPECT_GE(ComboCount(GetDlgItem(dialog, IDC_RECORD_DEVICE)), 1);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_RECORD_VOLUME)));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_RECORD_MIXER)));
    // Wine has no record mixer program: the button says so.
    Click(dialog, IDC_RECORD_MIXER);
    MessageBoxShown box;
    ASSERT_TRUE(editor.WaitMessageBox("Sondrel", box, kStepMs));
    EXPECT_NE(box.text.find("sndvol32.exe"), std::string::npos) << box.text;
    Click(box.window, IDOK);
    ASSERT_TRUE(WaitForWindowGone(box.window, kStepMs));

    ComboSelect(dialog, IDC_RECORD_INPUT, 1);
    // The volume takes the mixer button's place (the dialog does it while
    // the driver looks: wait for the pair).
    EXPECT_TRUE(WaitUntil(
        [&] {
            return IsWindowVisible(GetDlgItem(dialog, IDC_RECORD_VOLUME)) &&
                   !IsWindowVisible(GetDlgItem(dialog, IDC_RECORD_MIXER));
        },
        kStepMs));

    // F1, with the focus on a control of the dialog, asks the browser for
    // the recording page of the manual beside the program.
    PostMessageA(inputs, WM_KEYDOWN, VK_F1, 1);
    std::string browsed;
    EXPECT_TRUE(WaitUntil(
        [&] {
            std::vector<uint8_t> b;
            browsed = LFile::ReadAll(argsLog.c_str(), b) ? std::string(b.begin(), b.end()) : std::string();
            return !browsed.empty();
        },
        kStepMs, 50))
        << "F1 started no browser";
    const std::string exePath = WinePath(SONDREL_EXE);
    EXPECT_NE(browsed.find(exePath.substr(0, exePath.find_last_of('\\')) + "\\Manual\\recording.html"),
              std::string::npos)
        << browsed;
    EXPECT_TRUE(IsWindowVisible(dialog));

    Click(dialog, IDC_RECORD_ADVANCED);
    HWND adv = editor.WaitDialog("Advanced Settings");
    ASSERT_NE(adv, nullptr);
    auto checked = [&](int id) { return SendMessageA(GetDlgItem(adv, id), BM_GETCHECK, 0, 0) == BST_CHECKED; };
    auto enabled = [&](int id) { return IsWindowEnabled(GetDlgItem(adv, id)) != FALSE; };
    EXPECT_FALSE(checked(IDC_ADVANCED_AUTOTRIM));
    EXPECT_TRUE(checked(IDC_ADVANCED_VOICE));
    EXPECT_FALSE(enabled(IDC_ADVANCED_VOICE));
    EXPECT_FALSE(enabled(IDC_ADVANCED_THRESHOLD_LABEL));
    EXPECT_FALSE(enabled(IDC_ADVANCED_THRESHOLD));

    Click(adv, IDC_ADVANCED_AUTOTRIM);
    ASSERT_TRUE(WaitUntil([&] { return enabled(IDC_ADVANCED_VOICE) && enabled(IDC_ADVANCED_THRESHOLD); }, kStepMs));
    HWND thresholdText = GetDlgItem(GetDlgItem(adv, IDC_ADVANCED_THRESHOLD), IDC_DBEDIT_TEXT);
    SendMessageA(thresholdText, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("-50"));
    Click(adv, IDC_ADVANCED_AUTOTRIM);
    ASSERT_TRUE(WaitUntil([&] { return !enabled(IDC_ADVANCED_VOICE); }, kStepMs));
    EXPECT_TRUE(checked(IDC_ADVANCED_VOICE));
    Click(adv, IDOK);
    ASSERT_TRUE(WaitForWindowGone(adv, kStepMs));
    ASSERT_TRUE(Close(dialog, 1));
    // Written when the dialog has closed.
    EXPECT_EQ(Stored("Threshold"), "-40");
    EXPECT_EQ(Stored("Autotrim"), "0");
    EXPECT_EQ(Stored("Vor"), "1");
    EXPECT_EQ(Stored("Inputchannel"), "0");
    EXPECT_EQ(Stored("Volume"), "-6");
}
