#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "cli/CliRun.h"
#include "document/LEditCommands.h"
#include "effects/EffectTestUtil.h"
#include "effects/PointList.h"
#include "formats/LWaveFile.h"
#include "support/LFile.h"
#include "support/LSettings.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

struct NullHost : LDocumentHost {
    int32_t rate = 0;
    LProcessResult RunOperation(const char*, const std::function<LProcessResult(LProgress*)>& op) override {
        LNullProgress p;
        return op(&p);
    }
    bool AskNewFileFormat() override { return true; }
    bool AskVoxSampleRate() override { return true; }
    bool AskConvertSampleRate(int32_t& r) override {
        r = rate;
        return true;
    }
    Answer Ask(const std::string&, bool) override { return kCancel; }
    bool AskOpenPath(std::string&) override { return false; }
    bool AskSavePath(std::string&) override { return false; }
};

std::string MakeWav(const std::string& path, int32_t frames, uint32_t chans, int32_t rate) {
    LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(path.c_str(), rate, 0, 16, int32_t(chans));
    std::vector<int32_t> s = test::Sine(frames, chans, rate, 330, 150000);
    for (int32_t i = 0; i < frames; i += 8192) sink->Write(s.data() + size_t(i) * chans, std::min(8192, frames - i));
    return path;
}

// Opens in as the tool does (whole file selected, position 0), runs the
// edits on the document, and saves the result as out.
void SaveThroughEngine(const std::string& dir, const std::string& in, const std::string& out,
                       const std::function<void(LDocuments&, LSDFile&, NullHost&)>& edits) {
    std::filesystem::create_directories(JoinPath(dir, "tank"));
    LCutTankScope tank(JoinPath(dir, "tank"));
    LMemorySettings settings;
    SetSettingsStore(&settings);
    struct Restore {
        ~Restore() { SetSettingsStore(nullptr); }
    } restore;
    NullHost host;
    LDocuments docs(host);
    ASSERT_TRUE(docs.AddFileToList(in, false));
    LSDFile& d = *docs.Current();
    CmSelectAll(docs);
    d.stPosition.ms = 0;
    edits(docs, d, host);
    d.szFilePath = out;
    EXPECT_TRUE(docs.CmSave());
    docs.ReleaseAll();
}

}  // namespace

TEST(CommandLineTool, AChainGivesTheSameFileAsTheDocumentOperations) {
    std::string dir = test::ScratchDir("cli");
    std::string in = MakeWav(JoinPath(dir, "in.wav"), 44100 * 3, 2, 44100);
    std::string viaCli = JoinPath(dir, "cli.wav"), viaEngine = JoinPath(dir, "engine.wav");
    ASSERT_EQ(RunCli({in, "--select", "500,1500", "--cut", "--position", "0:00:02.00", "--paste", "--select",
                      "0,700", "--amplify", "50", "--select", "100,300", "--repeat", "2", "--rate", "22050", "--mono",
                      viaCli}),
              0);

    SaveThroughEngine(dir, in, viaEngine, [&](LDocuments& docs, LSDFile& d, NullHost& host) {
        (void)host;
        d.stSelStart.ms = 500, d.stSelEnd.ms = 1500;
        ASSERT_TRUE(CmCut(docs));
        d.stPosition.ms = 2000;
        ASSERT_TRUE(CmPaste(docs));
        d.stSelStart.ms = 0, d.stSelEnd.ms = 700;
        ASSERT_TRUE(Fx(docs, LEffect::kAmplify, {50}));
        d.stSelStart.ms = 100, d.stSelEnd.ms = 300;
        ASSERT_TRUE(Fx(docs, LEffect::kRepeatLoop, {2}));
        host.rate = 22050;
        ASSERT_TRUE(docs.CmConvertSampleRate());
        ASSERT_TRUE(docs.CmConvertChannel(1));
    });
    ASSERT_FALSE(HasFatalFailure());
    std::vector<uint8_t> a, b;
    ASSERT_TRUE(LFile::ReadAll(viaCli.c_str(), a));
    ASSERT_TRUE(LFile::ReadAll(viaEngine.c_str(), b));
    EXPECT_GT(a.size(), 46u + 22050u);
    EXPECT_EQ(a, b);
}

TEST(CommandLineTool, EffectStepsGiveTheSameFileAsTheDocumentCommands) {
    std::string dir = test::ScratchDir("clifx");
    std::string in = MakeWav(JoinPath(dir, "in.wav"), 44100 * 3, 2, 44100);
    std::string mix = MakeWav(JoinPath(dir, "mix.wav"), 22050, 1, 22050);
    PointList env, eq;
    env.Set({{0, 40}, {100, 200}, {255, 128}});
    eq.Set({{0, 128}, {20, 255}, {60, 30}, {255, 128}});
    ASSERT_TRUE(SavePointList(dir, "env.dat", env));
    ASSERT_TRUE(SavePointList(dir, "eq.dat", eq));
    std::string viaCli = JoinPath(dir, "cli.wav"), viaEngine = JoinPath(dir, "engine.wav");
    ASSERT_EQ(RunCli({in, "--select", "0,500", "--copy", "--select", "1000,1200", "--paste-mix", "50,2,100",
                      "--mix-file", mix + ",80,1", "--select", "0,1000", "--fade-in", "--select", "1000,2000",
                      "--echo", "100,40", "--reverb", "30,200", "--equalizer", JoinPath(dir, "eq.dat"), "--select",
                      "200,800", "--normalize", "80", "--low-cut", "250", "--envelope", JoinPath(dir, "env.dat"),
                      "--select", "2000,2800", "--fade-out-trim", "--auto-trim", viaCli}),
              0);

    SaveThroughEngine(dir, in, viaEngine, [&](LDocuments& docs, LSDFile& d, NullHost& host) {
        (void)host;
        auto select = [&](int32_t s, int32_t e) { d.stSelStart.ms = s, d.stSelEnd.ms = e; };
        select(0, 500);
        ASSERT_TRUE(CmCopy(docs));
        select(1000, 1200);
        ASSERT_TRUE(Fx(docs, LEffect::kPasteMix, {50, 2, 100}));
        ASSERT_TRUE(FxFile(docs, LEffect::kMixFile, mix, {80, 1}));
        select(0, 1000);
        ASSERT_TRUE(Fx(docs, LEffect::kFadeIn));
        select(1000, 2000);
        ASSERT_TRUE(Fx(docs, LEffect::kEcho, {100, 40}));
        ASSERT_TRUE(Fx(docs, LEffect::kReverb, {30, 200}));
        ASSERT_TRUE(FxCurve(docs, LEffect::kEqualizer, eq));
        select(200, 800);
        ASSERT_TRUE(Fx(docs, LEffect::kNormalize, {80}));
        ASSERT_TRUE(Fx(docs, LEffect::kLowCutFilter, {250}));
        ASSERT_TRUE(FxCurve(docs, LEffect::kEnvelope, env));
        select(2000, 2800);
        ASSERT_TRUE(Fx(docs, LEffect::kFadeOutAndTrim));
        ASSERT_TRUE(Fx(docs, LEffect::kAutoTrim));
    });
    ASSERT_FALSE(HasFatalFailure());
    std::vector<uint8_t> a, b;
    ASSERT_TRUE(LFile::ReadAll(viaCli.c_str(), a));
    ASSERT_TRUE(LFile::ReadAll(viaEngine.c_str(), b));
    EXPECT_GT(a.size(), 46u + 4u * 44100u);
    EXPECT_EQ(a, b);
}

TEST(CommandLineTool, RefusedEffectValues) {
    std::string dir = test::ScratchDir("clifxerr");
    std::string in = MakeWav(JoinPath(dir, "in.wav"), 8000, 1, 8000);
    PointList one;
    one.Set({{0, 128}});
    ASSERT_TRUE(SavePointList(dir, "one.dat", one));
    struct Case { std::vector<std::string> step; int code; };
    const Case cases[] = {
        {{"--normalize", "101"}, 2},
        {{"--normalize", "100"}, 0},
        {{"--echo", "9,50"}, 2},
        {{"--echo", "3000,50"}, 2},
        {{"--echo", "2999,99"}, 0},
        {{"--echo", "100,100"}, 2},
        {{"--echo", "100"}, 2},
        {{"--reverb", "101,100"}, 2},
        {{"--reverb", "50,49"}, 2},
        {{"--reverb", "50,1001"}, 2},
        {{"--reverb", "100,1000"}, 0},
        {{"--low-cut", "x"}, 2},
        {{"--paste-mix", "101,0"}, 2},
        {{"--paste-mix", "50,3"}, 2},
        {{"--mix-file", JoinPath(dir, "missing.wav") + ",50,0"}, 2},
        {{"--envelope", JoinPath(dir, "missing.dat")}, 2},
        {{"--envelope", JoinPath(dir, "one.dat")}, 2},
        {{"--equalizer", JoinPath(dir, "one.dat")}, 2},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::vector<std::string> args{in};
        args.insert(args.end(), c.step.begin(), c.step.end());
        args.push_back(JoinPath(dir, "o" + std::to_string(n++) + ".wav"));
        EXPECT_EQ(RunCli(args), c.code) << c.step[0] << " " << c.step.back();
        EXPECT_EQ(LFile::Exists(args.back().c_str()), c.code == 0) << c.step[0] << " " << c.step.back();
    }
#ifndef _WIN32
    // The dialog's own message.
    std::string out = test::CommandOutput(std::string("'") + SONDREL_CLI + "' --quiet '" + in +
                                          "' --echo 100,100 '" + JoinPath(dir, "m.wav") + "' 2>&1");
    EXPECT_NE(out.find("Echo Gain must be less than 100%. Please try again."), std::string::npos) << out;
#endif
}

TEST(CommandLineTool, DynamicsStepsGiveTheSameFileAsTheDocumentCommands) {
    std::string dir = test::ScratchDir("clidyn");
    std::string in = MakeWav(JoinPath(dir, "in.wav"), 44100 * 3, 2, 44100);
    std::string viaCli = JoinPath(dir, "cli.wav"), viaEngine = JoinPath(dir, "engine.wav");
    ASSERT_EQ(RunCli({in, "--select", "0,1200", "--compressor", "-20,2,6", "--select", "500,1500", "--tempo", "150",
                      "--noise-reduction", "-30", "--select", "1000,2000", "--pitch", "120", "--speed-pitch", "70",
                      "--auto-gain", viaCli}),
              0);

    SaveThroughEngine(dir, in, viaEngine, [&](LDocuments& docs, LSDFile& d, NullHost& host) {
        (void)host;
        d.stSelStart.ms = 0, d.stSelEnd.ms = 1200;
        ASSERT_TRUE(Fx(docs, LEffect::kCompressor, {-20, 2, 6}));
        d.stSelStart.ms = 500, d.stSelEnd.ms = 1500;
        ASSERT_TRUE(Fx(docs, LEffect::kConstantPitchSpeed, {150}));
        ASSERT_TRUE(Fx(docs, LEffect::kNoiseReduction, {-30}));
        d.stSelStart.ms = 1000, d.stSelEnd.ms = 2000;
        ASSERT_TRUE(Fx(docs, LEffect::kConstantSpeedPitch, {120}));
        ASSERT_TRUE(Fx(docs, LEffect::kSimpleSpeedPitch, {70}));
        ASSERT_TRUE(Fx(docs, LEffect::kAutoGainControl));
    });
    ASSERT_FALSE(HasFatalFailure());
    std::vector<uint8_t> a, b, orig;
    ASSERT_TRUE(LFile::ReadAll(viaCli.c_str(), a));
    ASSERT_TRUE(LFile::ReadAll(viaEngine.c_str(), b));
    ASSERT_TRUE(LFile::ReadAll(in.c_str(), orig));
    EXPECT_NE(a.size(), orig.size());  // the speed steps changed the length
    EXPECT_EQ(a, b);
}

TEST(CommandLineTool, ErrorsAndRefusedValues) {
    std::string dir = test::ScratchDir("clierr");
    std::string in = MakeWav(JoinPath(dir, "in.wav"), 8000, 1, 8000);
    struct Case { std::vector<std::string> args; int code; };
    const Case cases[] = {
        {{JoinPath(dir, "missing.wav"), JoinPath(dir, "o1.wav")}, 2},
        {{in, "--amplify", "101", JoinPath(dir, "o2.wav")}, 2},
        {{in, "--rate", "5999", JoinPath(dir, "o3.wav")}, 2},
        {{in, "--no-such-step", JoinPath(dir, "o4.wav")}, 2},
        {{in, JoinPath(dir, "o5.xyz")}, 2},
        {{in}, 2},
        {{in, "--rate", "96000", JoinPath(dir, "o6.wav")}, 0},
        {{in, "--compressor", "-41,0,0", JoinPath(dir, "o7.wav")}, 2},
        {{in, "--compressor", "0,7,0", JoinPath(dir, "o8.wav")}, 2},
        {{in, "--compressor", "0,0,13", JoinPath(dir, "o9.wav")}, 2},
        {{in, "--compressor", "-10,2", JoinPath(dir, "o10.wav")}, 2},
        {{in, "--noise-reduction", "1", JoinPath(dir, "o11.wav")}, 2},
        {{in, "--noise-reduction", "-41", JoinPath(dir, "o12.wav")}, 2},
        {{in, "--speed-pitch", "301", JoinPath(dir, "o13.wav")}, 2},
        {{in, "--tempo", "fast", JoinPath(dir, "o14.wav")}, 2},
        {{in, "--compressor", "-40,6,12", "--noise-reduction", "0", "--pitch", "0", JoinPath(dir, "o15.wav")}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RunCli(c.args), c.code) << c.args.back();
        if (c.code && c.args.size() > 1) {
            EXPECT_FALSE(LFile::Exists(c.args.back().c_str())) << c.args.back();
        }
    }
}

#ifdef _WIN32
// The tool installs the readers the editor installs: WAV files in the
// formats a system codec decodes open and save with the samples sox decodes.
TEST(CommandLineTool, OpensTheCodecFilesTheEditorOpens) {
    std::string dir = test::ScratchDir("clicodec");
    auto windowsPath = [](std::string p) {
        for (char& c : p)
            if (c == '/') c = '\\';
        return "Z:" + p;
    };
    struct Case {
        const char* name;
        int32_t tolerance16;  // 24-bit PCM is rounded to 16 bits on the way, sox truncates
    };
    for (const Case& c : {Case{"ima_mono", 0}, Case{"ulaw", 0}, Case{"gsm610", 0}, Case{"pcm24", 1}}) {
        SCOPED_TRACE(c.name);
        const std::string fixtures = SONDREL_FIXTURES_DIR;
        const std::string in = windowsPath(fixtures + "/" + c.name + ".wav");
        const std::string out = JoinPath(dir, std::string(c.name) + ".out.wav");
        ASSERT_EQ(RunCli({in, out}), 0);
        std::vector<uint8_t> raw = ReadBytes(windowsPath(fixtures + "/" + c.name + ".raw"));
        ASSERT_FALSE(raw.empty());
        LSoundSourcePtr saved = LWaveFile::OpenSource(out.c_str());
        ASSERT_FALSE(saved->HasError());
        std::vector<int32_t> got = ReadAll(*saved);
        // A codec may leave out the frames of an incomplete last block.
        const size_t want = raw.size() / 2;
        ASSERT_GE(got.size() + 2048 * saved->nChans, want);
        ASSERT_LE(got.size(), want);
        int32_t worst = 0;
        for (size_t i = 0; i < got.size(); ++i) {
            const int32_t want = int16_t(raw[2 * i] | raw[2 * i + 1] << 8);
            worst = std::max(worst, std::abs(got[i] / 16 - want));
        }
        EXPECT_LE(worst, c.tolerance16);
    }
}
#endif

#ifndef _WIN32
TEST(CommandLineTool, InterruptCancelsAndLeavesNoOutput) {
    std::string dir = test::ScratchDir("cliint");
    std::string in = MakeWav(JoinPath(dir, "in.wav"), 44100 * 600, 2, 44100);
    std::string out = JoinPath(dir, "out.wav");
    std::string tmp = test::ScratchDir("cliinttmp");
    pid_t pid = fork();
    if (pid == 0) {
        setenv("TMPDIR", tmp.c_str(), 1);
        execl(SONDREL_CLI, SONDREL_CLI, "--quiet", in.c_str(), "--rate", "48000", out.c_str(), (char*)nullptr);
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    usleep(400000);
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_FALSE(LFile::Exists(out.c_str()));
    EXPECT_TRUE(LFile::List(dir.c_str(), ".tmp").empty());
    // The run's working folder is gone with everything in it.
    EXPECT_EQ(test::CommandOutput("ls -A '" + tmp + "'"), "");
}
#endif
