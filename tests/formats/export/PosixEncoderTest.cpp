// The native launcher with real processes, and the real LAME encoder
// checked with mpg123. (The Windows launcher is tested under Wine with the
// Windows build's lame.exe: tests/win32.)
#ifndef _WIN32
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "formats/LChildProcess.h"
#include "formats/LMP3Export.h"
#include "formats/LWaveFile.h"
#include "support/LFile.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

struct PollingProgress : LProgress {
    int cancelAt = -1, polls = 0;
    std::vector<std::string> errors;
    bool IsCancelled() override { return cancelAt >= 0 && ++polls >= cancelAt; }
    void SetText(const char*, int) override {}
    void SetProgress(double) override {}
    void ShowError(const char* text) override { errors.push_back(text); }
};

std::string ReadText(const std::string& path) {
    std::ifstream f(path);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(PosixLauncher, PassesEveryArgumentAsItIsAndReportsHowTheProgramEnded) {
    std::string dir = ScratchDir("launcher");
    std::string out = JoinPath(dir, "args.txt");
    struct Case {
        std::string script;
        std::vector<std::string> extra;
        int exitCode;
    } cases[] = {
        {"printf '%s|' \"$@\" > \"$0\"", {"a b", "say \"hi\"", "", "C:\\x\\"}, 0},
        {"exit 7", {}, 7},
        {"kill -9 $$", {}, 128 + 9},
    };
    for (const Case& c : cases) {
        std::unique_ptr<LChildProcess> p = CreateChildProcess();
        ASSERT_TRUE(p);
        std::vector<std::string> args = {"-c", c.script, out};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        ASSERT_TRUE(p->Start("sh", args, "")) << c.script;
        PollingProgress progress;
        int code = -100;
        EXPECT_EQ(p->Wait(&progress, code), LChildProcess::kEnded);
        EXPECT_EQ(code, c.exitCode) << c.script;
    }
    EXPECT_EQ(ReadText(out), "a b|say \"hi\"||C:\\x\\|");
}

// The error output reaches the reader whole, however much there is (more
// than a pipe holds) and however late it comes; standard output does not.
TEST(PosixLauncher, TheErrorOutputGoesToTheReader) {
    struct Case {
        const char* script;
        size_t bytes;
        const char* text;  // what the reader gets when it is short
    } cases[] = {
        {"printf abc >&2; printf not-this; sleep 0.1; printf def >&2", 6, "abcdef"},
        {"head -c 300000 /dev/zero | tr '\\0' e >&2", 300000, nullptr},
        {"exec 2>&-; printf gone", 0, ""},
    };
    for (const Case& c : cases) {
        std::unique_ptr<LChildProcess> p = CreateChildProcess();
        std::string got;
        p->SetErrorReader([&got](const char* data, size_t n) { got.append(data, n); });
        ASSERT_TRUE(p->Start("sh", {"-c", c.script}, "")) << c.script;
        PollingProgress progress;
        int code = -1;
        EXPECT_EQ(p->Wait(&progress, code), LChildProcess::kEnded) << c.script;
        EXPECT_EQ(code, 0) << c.script;
        EXPECT_EQ(got.size(), c.bytes) << c.script;
        if (c.text) EXPECT_EQ(got, c.text) << c.script;
        else EXPECT_EQ(got.find_first_not_of('e'), std::string::npos) << c.script;
    }
}

TEST(PosixLauncher, AMissingProgramDoesNotStart) {
    std::unique_ptr<LChildProcess> p = CreateChildProcess();
    EXPECT_FALSE(p->Start("sondrel-no-such-encoder", {"x"}, ""));
    EXPECT_FALSE(p->Start(JoinPath(ScratchDir("launcher"), "missing"), {}, ""));
}

TEST(PosixLauncher, CancelLeavesItRunningUntilKillEndsIt) {
    std::string pidFile = JoinPath(ScratchDir("launcher"), "pid");
    std::unique_ptr<LChildProcess> p = CreateChildProcess();
    ASSERT_TRUE(p->Start("sh", {"-c", "echo $$ > \"$0\"; exec sleep 60", pidFile}, ""));
    PollingProgress progress;
    progress.cancelAt = 20;
    int code = 0;
    EXPECT_EQ(p->Wait(&progress, code), LChildProcess::kCancelled);
    int pid = std::atoi(ReadText(pidFile).c_str());
    ASSERT_GT(pid, 0);
    EXPECT_EQ(::kill(pid, 0), 0) << "still running after the cancel";
    p->Kill();
    errno = 0;
    EXPECT_EQ(::kill(pid, 0), -1) << "gone (and reaped) once Kill returns";
    EXPECT_EQ(errno, ESRCH);
}

// Debian's lame, run as the editor runs it, and mpg123 decoding the result.
TEST(RealEncoder, TheMp3DecodesToTheDocumentsAudio) {
    if (!HavePeer("lame") || !HavePeer("mpg123")) GTEST_SKIP() << "needs lame and mpg123";
    std::string dir = JoinPath(ScratchDir("lame"), "with blank");
    std::filesystem::create_directories(dir);
    const int32_t rate = 44100, frames = 2 * rate;
    std::vector<int32_t> audio(size_t(frames) * 2);
    for (int32_t i = 0; i < frames; ++i) {
        audio[size_t(i) * 2] = int32_t(150000 * std::sin(i * 2 * 3.14159265358979323846 * 440 / rate) + 60000 * std::sin(i * 2 * 3.14159265358979323846 * 1250 / rate));
        audio[size_t(i) * 2 + 1] = int32_t(120000 * std::sin(i * 2 * 3.14159265358979323846 * 660 / rate));
    }
    std::string wav = JoinPath(dir, "take one.wav"), mp3 = JoinPath(dir, "take one.mp3");
    {
        LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(wav.c_str(), rate, 0, 16, 2);
        for (int32_t off = 0; off < frames; off += 8192) sink->Write(audio.data() + size_t(off) * 2, std::min(8192, frames - off));
    }
    // What the WAV holds (the 16-bit rounding of the audio).
    LSoundSourcePtr src = LWaveFile::OpenSource(wav.c_str());
    std::vector<int32_t> original = ReadAll(*src);
    src = LSoundSourcePtr();

    PollingProgress progress;
    SDSaveAsMp3 rec{wav, mp3};
    ASSERT_EQ(Process(&progress, rec), kProcessDone) << (progress.errors.empty() ? "" : progress.errors[0]);
    EXPECT_FALSE(LFile::Exists(wav.c_str()));

    std::string raw = CommandOutput("mpg123 -q -s '" + mp3 + "'");
    std::vector<int32_t> decoded(raw.size() / 2);
    for (size_t i = 0; i < decoded.size(); ++i)
        decoded[i] = int32_t(int16_t(uint16_t(uint8_t(raw[2 * i])) | uint16_t(uint8_t(raw[2 * i + 1])) << 8)) * 16;
    AudioMatch m = CompareAudio(original, decoded, 2, 3000);
    EXPECT_LT(std::fabs(m.levelDb), 0.5);
    EXPECT_GT(m.correlation, 0.99);
    EXPECT_LE(std::llabs(m.extraFrames + m.lag), 1152 + m.lag) << "length within a frame plus the delay";
}

// The bar moves while Debian's lame encodes 30 s of audio (about 1150
// frames, a progress line each 100), forward only, and ends full.
TEST(RealEncoder, TheBarFollowsTheEncodersProgress) {
    if (!HavePeer("lame")) GTEST_SKIP() << "needs lame";
    std::string dir = ScratchDir("lame-progress");
    std::string wav = JoinPath(dir, "long.wav"), mp3 = JoinPath(dir, "long.mp3");
    {
        const int32_t rate = 44100, frames = 30 * rate;
        std::vector<int32_t> block(8192 * 2);
        LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(wav.c_str(), rate, 0, 16, 2);
        for (int32_t off = 0; off < frames; off += 8192) {
            for (size_t i = 0; i < block.size(); ++i) block[i] = int32_t(100000 * std::sin((off * 2 + int32_t(i)) * 0.03));
            sink->Write(block.data(), std::min(8192, frames - off));
        }
    }
    struct BarProgress : PollingProgress {
        std::vector<double> bar;
        void SetProgress(double f) override { bar.push_back(f); }
    } progress;
    SDSaveAsMp3 rec{wav, mp3};
    ASSERT_EQ(Process(&progress, rec), kProcessDone) << (progress.errors.empty() ? "" : progress.errors[0]);
    ASSERT_GE(progress.bar.size(), 3u);
    EXPECT_EQ(progress.bar.front(), 0.0) << "the bar starts empty";
    EXPECT_TRUE(std::is_sorted(progress.bar.begin(), progress.bar.end()));
    EXPECT_EQ(progress.bar.back(), 1.0);
    size_t between = size_t(std::count_if(progress.bar.begin(), progress.bar.end(), [](double f) { return f > 0 && f < 1; }));
    EXPECT_GE(between, 5u) << "the bar moved while the encoder ran";
}

TEST(RealEncoder, AMissingEncoderFailsWithAMessage) {
    std::string dir = ScratchDir("lame");
    std::string wav = JoinPath(dir, "x.wav"), mp3 = JoinPath(dir, "x.mp3");
    ASSERT_TRUE(LFile::WriteAll(wav.c_str(), "RIFF", 4));
    PollingProgress progress;
    SDSaveAsMp3 rec{wav, mp3, "sondrel-no-such-encoder"};
    EXPECT_EQ(Process(&progress, rec), kProcessFailed);
    ASSERT_EQ(progress.errors.size(), 1u);
    EXPECT_NE(progress.errors[0].find("\"sondrel-no-such-encoder\" could not be started"), std::string::npos);
    EXPECT_FALSE(LFile::Exists(mp3.c_str()));
    EXPECT_FALSE(LFile::Exists(wav.c_str()));
}
#endif
