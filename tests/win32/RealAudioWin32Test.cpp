// RealAudio import under Wine through the test double of RealPlayer's core
// library (tools/realaudio-double), installed in the Wine prefix where the
// registry names RealPlayer's folder. The library is loaded once per
// process and kept, as the editor does: a test that needs another variant
// (or none) must run in a process of its own, as CTest runs every test.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <memory>

#include "document/LDocuments.h"
#include "formats/LWaveFile.h"
#include "formats/win32/LRealAudioDecode.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#include "support/TestUtil.h"
#include "tools/realaudio-double/RealAudioDoubleFile.h"
#include "ui/win32/LWin32DocumentHost.h"
#include "win32/WinTestUtil.h"

using namespace sondrel;
using namespace sondrel::radouble;

namespace {

const char kNoCore[] =
    "Unable to load Real Audio Core DLL.\r\n\r\nThis software required that the Real Audio Player be installed on your "
    "computer to load these files. Please download and install an uptodate version of Real Player.";
const char kNoBegin[] =
    "Unable to open file with Real Player.\r\n\r\nThis might mean you do not have the codec installed.\r\n\r\nTo "
    "resolve this, attempt to load the file using Real Player manually.";

const char kOwnProcess[] = "another library is loaded in this process already: run this test on its own";

// Cancels at the given poll of IsCancelled; records what is shown.
struct RecordingProgress : LProgress {
    int cancelAt = -1, polls = 0;
    std::vector<std::string> errors;
    std::string lines[2];
    bool IsCancelled() override { return cancelAt >= 0 && ++polls >= cancelAt; }
    void SetText(const char* text, int line) override { lines[line] = text; }
    void SetProgress(double) override {}
    void ShowError(const char* text) override { errors.push_back(text); }
};

[[maybe_unused]] uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// The editor's documents over the real dialogs, RealAudio decoding
// installed, with their data folder at `folder`.
struct Editor {
    explicit Editor(const std::string& dataFolder)
        : folder((std::filesystem::create_directories(dataFolder), dataFolder)), tank(folder) {
        InstallRealAudioDecoder();
        SetSettingsStore(&settings);
    }
    ~Editor() {
        docs.ReleaseAll();
        SetSettingsStore(nullptr);
    }
    // The names of the files in the data folder.
    std::vector<std::string> DataFiles() const { return LFile::List(folder.c_str(), ""); }

    std::string folder;
    LCutTankScope tank;
    LMemorySettings settings;
    LWin32DocumentHost host;
    LDocuments docs{host};
};

class RealAudioUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        dir = test::ScratchDir("w32ra");
        SetEnvironmentVariableA("SONDREL_RA_DOUBLE", nullptr);
    }
    void TearDown() override { SetEnvironmentVariableA("SONDREL_RA_DOUBLE", nullptr); }

    // Puts the double's variant ("full", "noclose"; "" for none) in a folder
    // of the prefix and names that folder in the registry as RealPlayer
    // does. False when this process holds another library already (it is
    // never unloaded): the test must then run in a process of its own.
    bool InstallLibrary(const std::string& variant) {
        if (HMODULE loaded = GetModuleHandleA("pnen3260.dll")) {
            char path[MAX_PATH] = {};
            GetModuleFileNameA(loaded, path, MAX_PATH);
            if (variant.empty() || !std::strstr(path, ("Real " + variant).c_str())) return false;
        }
        std::string folder = "C:\\Program Files\\Real " + (variant.empty() ? std::string("none") : variant);
        CreateDirectoryA(folder.c_str(), nullptr);
        if (!variant.empty()) {
            std::string from = wintest::WinePath(std::string(SONDREL_RA_DOUBLE_DIR) + "/" + variant + "/pnen3260.dll");
            EXPECT_TRUE(CopyFileA(from.c_str(), (folder + "\\pnen3260.dll").c_str(), FALSE)) << from;
        } else {
            DeleteFileA((folder + "\\pnen3260.dll").c_str());
        }
        HKEY key;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, kRealCoreFolderKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        std::string value = folder + "\\";
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1));
        RegCloseKey(key);
        return true;
    }
    // A file of the double's format with a ramp of PCM bytes.
    std::string MakeStream(const std::string& name, uint16_t chans, uint16_t bits, uint32_t rate, uint32_t flags,
                           uint32_t blockBytes, uint32_t bytes) {
        pcm.clear();
        for (uint32_t i = 0; i < bytes; ++i) pcm.push_back(uint8_t(i * 13 + i / 512));
        std::vector<uint8_t> f = MakeRadFile(chans, bits, rate, flags, blockBytes, pcm);
        std::string path = JoinPath(dir, name);
        EXPECT_TRUE(LFile::WriteAll(path.c_str(), f.data(), f.size()));
        return path;
    }
    static std::string Report() {
        using ReportFn = const char*(__stdcall*)();
        HMODULE lib = GetModuleHandleA("pnen3260.dll");
        auto fn = lib ? reinterpret_cast<ReportFn>(reinterpret_cast<void (*)()>(GetProcAddress(lib, "RADoubleReport")))
                      : nullptr;
        return fn ? fn() : "(no library)";
    }
    static std::vector<uint8_t> Bytes(const std::string& path) {
        std::vector<uint8_t> b;
        LFile::ReadAll(path.c_str(), b);
        return b;
    }

    std::string dir;
    std::vector<uint8_t> pcm;
};

}  // namespace

// Without a library the load shows the message and leaves nothing. The
// 64-bit program says the same with a library registered: RealPlayer's
// library is 32-bit only, so there RealAudio import is never available.
TEST_F(RealAudioUnderWine, WithoutTheLibraryTheLoadFailsWithTheMessage) {
    std::vector<std::string> variants = {""};
    if (sizeof(void*) == 8) variants.push_back("full");
    for (const std::string& variant : variants) {
        SCOPED_TRACE("library: " + (variant.empty() ? std::string("none") : variant));
        if (!InstallLibrary(variant)) GTEST_SKIP() << kOwnProcess;
        Editor ed(JoinPath(dir, "data " + variant));
        std::string ra = MakeStream("song.ra", 1, 16, 8000, 0, 0, 1600);
        wintest::WindowWatcher ok("Sondrel", IDOK);
        EXPECT_FALSE(ed.docs.LoadFile(ra));
        ok.Join();
        EXPECT_TRUE(ok.Pressed());
        EXPECT_EQ(ok.Text(), kNoCore);
        EXPECT_EQ(ed.docs.GetNoFiles(), 0);
        EXPECT_TRUE(ed.DataFiles().empty());
        EXPECT_EQ(GetModuleHandleA("pnen3260.dll"), nullptr);
    }
}

#ifndef _WIN64
// The decoding itself: 32-bit only, as RealPlayer's library is.
TEST_F(RealAudioUnderWine, StreamsDecodeToWaveFilesOfTheirOwnFormat) {
    if (!InstallLibrary("full")) GTEST_SKIP() << kOwnProcess;
    struct Case {
        uint16_t chans, bits;
        uint32_t rate, blockAlign, blockBytes, bytes;
    } cases[] = {{1, 8, 11025, 1, 1000, 11025 + 333}, {2, 16, 44100, 4, 4410 * 4, 44100 * 4 + 4 * 17}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.chans << " channels, " << c.bits << " bits");
        std::string ra = MakeStream("stream.ra", c.chans, c.bits, c.rate, 0, c.blockBytes, c.bytes);
        std::string wav = JoinPath(dir, "decoded.wav");
        RecordingProgress progress;
        LReadAudioDecode rec{ra, wav};
        EXPECT_EQ(Process(&progress, rec), kProcessDone) << RealAudioDiagnostic();
        EXPECT_EQ(progress.lines[0], "Decoding Real Audio");
        EXPECT_EQ(progress.lines[1], ra);
        EXPECT_TRUE(progress.errors.empty());

        std::string report = Report();
        EXPECT_EQ(report.find("FAIL"), std::string::npos) << report;
        uint32_t blocks = (c.bytes + c.blockBytes - 1) / c.blockBytes;
        EXPECT_NE(report.find("played " + std::to_string(blocks) + " blocks"), std::string::npos) << report;
        for (const char* event : {"device replaced", "player closed", "device removed", "engine closed"})
            EXPECT_NE(report.find(event), std::string::npos) << event << "\n" << report;

        std::vector<uint8_t> f = Bytes(wav);
        ASSERT_EQ(f.size(), 46 + pcm.size());
        EXPECT_EQ(U32(f, 28), c.blockAlign * c.rate);
        EXPECT_EQ(f[32], c.blockAlign);
        EXPECT_EQ(f[34], c.bits);
        EXPECT_EQ(U32(f, 42), pcm.size());
        EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), f.begin() + 46));
    }
}

// Through the editor's own loading, under the real progress dialog: the
// document holds the double's samples, and the WAV in between is gone.
TEST_F(RealAudioUnderWine, ARealAudioFileOpensAsADocument) {
    if (!InstallLibrary("full")) GTEST_SKIP() << kOwnProcess;
    Editor ed(JoinPath(dir, "data"));
    std::string ra = MakeStream("song.rm", 2, 16, 22050, 0, 0, 22050 * 4 * 2);
    ASSERT_TRUE(ed.docs.LoadFile(ra)) << RealAudioDiagnostic();
    LSDFile& d = *ed.docs.Current();
    EXPECT_EQ(d.audio.nSampleRate, 22050);
    EXPECT_EQ(d.audio.nChans, 2);
    LSoundSourcePtr s = CreateSource(d.audio);
    std::vector<int32_t> got = test::ReadAll(*s), want;
    for (size_t i = 0; i + 1 < pcm.size(); i += 2) want.push_back(int32_t(int16_t(pcm[i] | pcm[i + 1] << 8)) * 16);
    EXPECT_EQ(got, want);
    for (const std::string& f : ed.DataFiles()) EXPECT_NE(FileExtension(f), ".wav") << f;
}

// The failures the library can give once it is loaded: result 1 (treated as
// a cancel), a message only when the file does not begin to play.
TEST_F(RealAudioUnderWine, EachFailureOfTheLibraryGivesItsResult) {
    if (!InstallLibrary("full")) GTEST_SKIP() << kOwnProcess;
    std::string good = MakeStream("good.ra", 1, 16, 8000, 0, 0, 16000);
    std::string refused = MakeStream("refused.ra", 1, 16, 8000, kRadBeginFails, 0, 16000);
    std::string notOurs = JoinPath(dir, "other.ra");
    ASSERT_TRUE(LFile::WriteAll(notOurs.c_str(), ".RMF\0\0\0\x12\0\0\0\0\0\0\0\0\0\0\0\0", 20));
    struct Case {
        const char* switches;
        std::string file;
        int result;
        const char* diagnostic;
        const char* message;
        bool audio;
    } cases[] = {
        {"no-engine", good, kProcessCancelled, "CreateEngine FAILED", nullptr, false},
        {"no-player", good, kProcessCancelled, "CreatePlayer FAILED", nullptr, false},
        {"", JoinPath(dir, "missing.ra"), kProcessCancelled, "OpenURL Failed", nullptr, false},
        {"", notOurs, kProcessCancelled, "OpenURL Failed", nullptr, false},
        {"", refused, kProcessCancelled, "Begin Failed", kNoBegin, false},
        // Without a device manager nothing replaces the sound card: the file stays empty.
        {"no-manager", good, kProcessDone, "", nullptr, false},
        {"", good, kProcessDone, "", nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.switches << " " << c.file);
        SetEnvironmentVariableA("SONDREL_RA_DOUBLE", c.switches);
        std::string wav = JoinPath(dir, "out.wav");
        DeleteFileA(wav.c_str());
        RecordingProgress progress;
        LReadAudioDecode rec{c.file, wav};
        EXPECT_EQ(Process(&progress, rec), c.result);
        EXPECT_NE(std::string(RealAudioDiagnostic()).find(c.diagnostic), std::string::npos) << RealAudioDiagnostic();
        if (c.message) {
            EXPECT_EQ(progress.errors, std::vector<std::string>{c.message});
        } else {
            EXPECT_TRUE(progress.errors.empty());
        }
        EXPECT_EQ(Report().find("FAIL"), std::string::npos) << Report();
        EXPECT_EQ(Bytes(wav).size(), c.audio ? 46u + 16000u : 0u);
    }
}

TEST_F(RealAudioUnderWine, ALibraryWithoutCloseEngineEndsWithResultOne) {
    if (!InstallLibrary("noclose")) GTEST_SKIP() << kOwnProcess;
    std::string ra = MakeStream("song.ra", 1, 16, 8000, 0, 0, 1600);
    RecordingProgress progress;
    LReadAudioDecode rec{ra, JoinPath(dir, "out.wav")};
    EXPECT_EQ(Process(&progress, rec), kProcessCancelled);
    EXPECT_NE(std::string(RealAudioDiagnostic()).find("not found"), std::string::npos) << RealAudioDiagnostic();
    EXPECT_TRUE(progress.errors.empty());
    EXPECT_EQ(Report(), "") << "no engine was created";
}

// Cancel while the library is still delivering: result 1, and the WAV holds
// exactly what was delivered, with both sizes right.
TEST_F(RealAudioUnderWine, CancelStillCompletesTheWave) {
    if (!InstallLibrary("full")) GTEST_SKIP() << kOwnProcess;
    std::string ra = MakeStream("slow.ra", 2, 16, 44100, kRadSlow, 4000, 400000);
    std::string wav = JoinPath(dir, "out.wav");
    RecordingProgress progress;
    progress.cancelAt = 12;
    LReadAudioDecode rec{ra, wav};
    EXPECT_EQ(Process(&progress, rec), kProcessCancelled);
    std::string report = Report();
    EXPECT_EQ(report.find("FAIL"), std::string::npos) << report;
    size_t at = report.find("stopped after ");
    ASSERT_NE(at, std::string::npos) << report;
    uint32_t blocks = uint32_t(std::atoi(report.c_str() + at + 14));
    EXPECT_GT(blocks, 0u);
    EXPECT_LT(blocks, 100u);
    std::vector<uint8_t> f = Bytes(wav);
    ASSERT_EQ(f.size(), 46 + blocks * 4000);
    EXPECT_EQ(U32(f, 4), f.size() - 8);
    EXPECT_EQ(U32(f, 42), f.size() - 46);
    EXPECT_TRUE(std::equal(f.begin() + 46, f.end(), pcm.begin()));
}

// Cancel in the real progress dialog while a document loads: no document,
// and no WAV left in the data folder.
TEST_F(RealAudioUnderWine, CancellingTheLoadLeavesNothing) {
    if (!InstallLibrary("full")) GTEST_SKIP() << kOwnProcess;
    Editor ed(JoinPath(dir, "data"));
    std::string ra = MakeStream("slow.ra", 2, 16, 44100, kRadSlow, 4000, 400000);
    wintest::WindowWatcher cancel("Loading Audio File Source", IDCANCEL, 300);
    EXPECT_FALSE(ed.docs.LoadFile(ra));
    cancel.Join();
    EXPECT_TRUE(cancel.Pressed());
    EXPECT_NE(Report().find("stopped after"), std::string::npos) << Report();
    EXPECT_EQ(ed.docs.GetNoFiles(), 0);
    EXPECT_TRUE(ed.DataFiles().empty());
}
#endif  // _WIN64
