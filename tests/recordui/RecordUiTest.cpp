// The record dialog as a user meets it, under Wine: a test host window
// stands in for the main window; F5 opens "Record Control", which records
// at once from the wave-in device. The device is Wine's ALSA input from a
// private PulseAudio whose file plugin delivers a known speech file at real
// time (tools/wine-record.sh): 1.5 s of silence, a sentence, 6 s of
// silence, a sentence, then zeros. The driver lets the recording run,
// closes the dialog and checks what the document holds against the file
// after the recorder's DC filter: buffer by buffer through the recorder's
// rules, and by the positions a user would expect from the file itself.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/LSample.h"
#include "devices/LDeviceMath.h"
#include "devices/LRecorderCore.h"
#include "support/LFile.h"
#include "support/LResourceIds.h"
#include "support/MemorySink.h"
#include "support/TestUtil.h"
#include "support/win32/LRegistrySettings.h"
#include "tests/drive/LDrive.h"

using namespace sondrel;
using namespace sondrel::drive;

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kFrames = 4410;  // one device buffer, 100 ms
constexpr DWORD kStartMs = 30000;
constexpr DWORD kStepMs = 15000;
const char kSettingsRoot[] = "Software\\Ketterly\\SondrelRecordUiTest";
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
int64_t Find(const std::vector<int32_t>& whole, const std::vector<int32_t>& part, size_t n, size_t from = 0) {
    n = std::min(n, part.size());
    if (n == 0) return -1;
    for (size_t at = from; at + n <= whole.size(); ++at)
        if (std::equal(part.begin(), part.begin() + long(n), whole.begin() + long(at))) return int64_t(at);
    return -1;
}

// Where two recordings part, in ms, for the failure messages.
std::string Parting(const std::vector<int32_t>& got, const std::vector<int32_t>& want) {
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

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream s(text);
    for (std::string line; std::getline(s, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

struct Document {
    std::string name, dirty, rate, chans, frames, undo, selStart, selEnd;
};

class RecordUi : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("SONDREL_RECORD_INFILE"), nullptr) << "run under tools/wine-record.sh";
        work = test::ScratchDir("recordui");
        data = JoinPath(work, "Current");
        report = JoinPath(work, "report");
        CreateDirectoryA(data.c_str(), nullptr);
        CreateDirectoryA(report.c_str(), nullptr);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsRoot);
        // New documents without asking: 44100 Hz mono, the infile's format.
        settings.Set("Settings", "PromptSampleAndChannels", "0");
        settings.Set("Settings", "DefaultSampleRate", "44100");
        settings.Set("Settings", "DefaultChannels", "1");
        pcm = Infile(40);
        filtered = Filtered(pcm);
        levels = BufferLevels(filtered);
    }
    void TearDown() override {
        if (window) PostMessageA(window, WM_CLOSE, 0, 0);
        host.WaitExit(kStepMs);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsRoot);
    }

    void Store(const char* key, const char* value) { settings.Set("Recorder", key, value); }
    std::string Stored(const char* key) {
        std::string v;
        return settings.Query("Recorder", key, v) ? v : "<missing>";
    }

    // Starts the host and opens the dialog with F5.
    HWND OpenDialog() {
        if (!host.Start(WinePath(RECORDUI_HOST_EXE), "",
                        {{"RECHOST_DATA", data}, {"RECHOST_REPORT", report}, {"RECHOST_SETTINGS", kSettingsRoot}}))
            return nullptr;
        WaitForInputIdle(host.Handle(), kStartMs);
        window = WaitForWindow(host.Id(), "Sondrel Record Host", kStartMs);
        if (!window) return nullptr;
        PostMessageA(window, WM_KEYDOWN, VK_F5, 1);
        PostMessageA(window, WM_KEYUP, VK_F5, LPARAM(0xC0000001));
        return WaitForWindow(host.Id(), kDialog, kStepMs);
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
    // Closes the dialog as a user does and waits for the host's report.
    std::vector<Document> CloseAndReport(HWND dialog) {
        std::string path = JoinPath(report, "docs.txt");
        DeleteFileA(path.c_str());
        Click(dialog, IDOK);
        if (!WaitForWindowGone(dialog, kStepMs)) return {};
        return Report();
    }
    std::vector<Document> Report() {
        std::string path = JoinPath(report, "docs.txt");
        if (!WaitUntil([&] { return LFile::Exists(path.c_str()); }, kStepMs)) return {};
        std::vector<uint8_t> text;
        LFile::ReadAll(path.c_str(), text);
        std::vector<Document> docs;
        for (const std::string& line : SplitLines(std::string(text.begin(), text.end()))) {
            Document d;
            std::stringstream s(line);
            for (std::string* f : {&d.name, &d.dirty, &d.rate, &d.chans, &d.frames, &d.undo, &d.selStart, &d.selEnd})
                std::getline(s, *f, '\t');
            docs.push_back(d);
        }
        return docs;
    }
    std::vector<int32_t> Samples(int n) {
        std::vector<uint8_t> bytes;
        LFile::ReadAll(JoinPath(report, "doc" + std::to_string(n) + ".s32").c_str(), bytes);
        std::vector<int32_t> v(bytes.size() / 4);
        if (!v.empty()) std::memcpy(v.data(), bytes.data(), v.size() * 4);
        return v;
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

    std::string work, data, report;
    LRegistrySettings settings{kSettingsRoot};
    Program host;
    HWND window = nullptr;
    std::vector<int16_t> pcm;
    std::vector<int32_t> filtered;
    std::vector<int32_t> levels;
};

}  // namespace

// Automatic trimming (the default, threshold -24 dB): the leading silence
// goes, the take begins with the first loud buffer (or 50 ms before it) and
// ends 50 ms after the last buffer at or above -29 dB. Undo takes it out.
TEST_F(RecordUi, TrimmingKeepsTheSpeechFromItsOnsetTo50msAfterTheLastLoudBuffer) {
    std::vector<int32_t> expected = ThroughTheRecorder(pcm, false, 216000000, -24);
    ASSERT_GT(expected.size(), size_t(kRate));
    HWND dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr) << "F5 did not open the record dialog";
    EXPECT_TRUE(IsDlgButtonChecked(dialog, IDC_RECORD_START));
    // The position shows the last loud moment; once it is where the speech
    // ends, everything that counts has been recorded.
    ASSERT_TRUE(WaitLoudEnd(dialog, Ms(expected.size()) - 60, 40000)) << Text(GetDlgItem(dialog, IDC_TRANSPORT_TIME));
    std::vector<Document> docs = CloseAndReport(dialog);
    ASSERT_EQ(docs.size(), 1u);
    EXPECT_EQ(docs[0].name, "Untitled 1");
    EXPECT_EQ(docs[0].undo, "Record");
    EXPECT_EQ(docs[0].dirty, "1");
    std::vector<int32_t> got = Samples(1);
    EXPECT_EQ(docs[0].frames, std::to_string(got.size()));
    EXPECT_EQ(docs[0].selStart, "0");
    EXPECT_EQ(docs[0].selEnd, std::to_string(Ms(got.size())));
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected) << Parting(got, expected);

    // The same from the file's own levels.
    const size_t first = FirstAtOrAbove(-24), last = LastAtOrAbove(-29);
    ASSERT_LT(first, levels.size());
    EXPECT_GE(first * 100, 1400u);  // the leading 1.5 s of silence is quiet
    const int64_t at = Find(filtered, got, 20000);
    ASSERT_GE(at, 0) << "the take is not a stretch of the filtered file";
    EXPECT_EQ(size_t(at), OnsetFrame(first, -24));
    EXPECT_TRUE(std::equal(got.begin(), got.end(), filtered.begin() + at)) << "the pause of 6 s is kept whole";
    EXPECT_EQ(size_t(at) + got.size(), (last + 1) * kFrames + size_t(kRate) / 20);
    std::printf("trimming: take of %d ms from %d ms of the file, ending %d ms after the last loud buffer\n",
                Ms(int64_t(got.size())), Ms(at), Ms(at + int64_t(got.size())) - Ms(int64_t(last + 1) * kFrames));

    // Undo removes the take.
    PostMessageA(window, WM_COMMAND, IDM_UNDO, 0);
    DeleteFileA(JoinPath(report, "docs.txt").c_str());
    docs = Report();
    ASSERT_EQ(docs.size(), 1u);
    EXPECT_EQ(docs[0].frames, "0");
    EXPECT_EQ(docs[0].undo, "");
}

// Voice activation: more than 5 s below -29 dB pauses the take, which keeps
// 450 ms after the last loud buffer and goes on with the next sound.
TEST_F(RecordUi, VoiceActivationCutsTheLongPauseTo450ms) {
    Store("Vor", "1");
    std::vector<int32_t> expected = ThroughTheRecorder(pcm, false, 5000, -24);
    HWND dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitLoudEnd(dialog, Ms(expected.size()) - 60, 40000)) << Text(GetDlgItem(dialog, IDC_TRANSPORT_TIME));
    std::vector<Document> docs = CloseAndReport(dialog);
    ASSERT_EQ(docs.size(), 1u);
    std::vector<int32_t> got = Samples(1);
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
    std::vector<int32_t> want(filtered.begin() + long(start1), filtered.begin() + long(keep1));
    want.insert(want.end(), filtered.begin() + long(start2), filtered.begin() + long(stop2));
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
TEST_F(RecordUi, WithoutTrimmingEverythingFromTheFirstBufferIsKept) {
    Store("Autotrim", "0");
    Store("Vor", "1");
    const int32_t fileMs = Ms(InfileFrames());
    HWND dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitShown(dialog, fileMs + 400, 40000)) << Text(GetDlgItem(dialog, IDC_TRANSPORT_TIME));
    const int32_t shown = Shown(dialog);
    std::vector<Document> docs = CloseAndReport(dialog);
    ASSERT_EQ(docs.size(), 1u);
    std::vector<int32_t> got = Samples(1);
    ASSERT_GE(got.size(), InfileFrames());
    ASSERT_LE(got.size(), filtered.size());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), filtered.begin())) << "not the file from its first sample";
    // The end is where recording stopped, not trimmed back to the speech.
    EXPECT_GE(Ms(got.size()), shown);
    std::printf("without trimming: take of %d ms, the file's first %d ms exactly; the dialog showed %d ms\n",
                Ms(int64_t(got.size())), Ms(int64_t(got.size())), shown);
    EXPECT_EQ(Stored("Vor"), "1");
    EXPECT_EQ(Stored("Autotrim"), "0");
}

// F5 in the dialog keeps the take, opens a new untitled document and
// records into it: two documents, each with its take.
TEST_F(RecordUi, RecordNextLeavesTwoDocumentsEachWithItsTake) {
    std::vector<int32_t> whole = ThroughTheRecorder(pcm, false, 216000000, -24);
    HWND dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitShown(dialog, 800, 30000));
    PostMessageA(dialog, WM_KEYDOWN, VK_F5, 1);
    ASSERT_TRUE(WaitForWindowGone(dialog, kStepMs));
    HWND next = WaitForWindow(host.Id(), kDialog, kStepMs);
    ASSERT_NE(next, nullptr) << "the dialog did not open again for the next file";
    EXPECT_EQ(Text(GetDlgItem(next, IDC_TRANSPORT_FILE_NAME)), "Untitled 2");
    ASSERT_TRUE(WaitShown(next, 800, 30000));
    std::vector<Document> docs = CloseAndReport(next);
    ASSERT_EQ(docs.size(), 2u);
    for (int n = 1; n <= 2; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(docs[size_t(n - 1)].name, "Untitled " + std::to_string(n));
        EXPECT_EQ(docs[size_t(n - 1)].undo, "Record");
        std::vector<int32_t> got = Samples(n);
        // Each take is the start of what the whole file would have given.
        EXPECT_GE(Ms(got.size()), 800);
        ASSERT_LE(got.size(), whole.size());
        EXPECT_TRUE(std::equal(got.begin(), got.end(), whole.begin()));
    }
}

// The input list with the record volume or the mixer button, and the
// advanced settings: voice activation cannot be changed while trimming is
// off but keeps its stored value, and a threshold typed as -50 is stored as
// -40. Everything is written to "Recorder" when the dialog has closed.
TEST_F(RecordUi, InputsAndAdvancedSettings) {
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
    ASSERT_TRUE(WaitForMessageBox(host.Id(), "Sondrel", box, kStepMs));
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

    Click(dialog, IDC_RECORD_ADVANCED);
    HWND adv = WaitForWindow(host.Id(), "Advanced Settings", kStepMs);
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
    CloseAndReport(dialog);
    // Written when the dialog has closed.
    EXPECT_EQ(Stored("Threshold"), "-40");
    EXPECT_EQ(Stored("Autotrim"), "0");
    EXPECT_EQ(Stored("Vor"), "1");
    EXPECT_EQ(Stored("Inputchannel"), "0");
    EXPECT_EQ(Stored("Volume"), "-6");
}
