// The command-line tool's .mp3 output through the real encoder: Debian's
// lame natively, the Windows build's lame.exe beside the tool under Wine.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "cli/CliRun.h"
#include "formats/LWaveFile.h"
#include "formats/mp3/LMP3Source.h"
#include "support/LFile.h"
#include "support/TestUtil.h"

using namespace sondrel;

namespace {

// Runs the tool on in and out; its exit code.
int RunTool(const std::string& in, const std::string& out) { return test::RunCli({in, out}); }

// Two seconds of tones, a different one in each channel, as a 16-bit WAV;
// returns what the file holds.
std::vector<int32_t> MakeTones(const std::string& path) {
    const int32_t rate = 44100, frames = 2 * rate;
    std::vector<int32_t> s(size_t(frames) * 2);
    for (int32_t i = 0; i < frames; ++i) {
        s[size_t(i) * 2] = int32_t(150000 * std::sin(i * 2 * 3.14159265358979323846 * 440 / rate) + 50000 * std::sin(i * 2 * 3.14159265358979323846 * 1250 / rate));
        s[size_t(i) * 2 + 1] = int32_t(120000 * std::sin(i * 2 * 3.14159265358979323846 * 660 / rate));
    }
    {
        LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(path.c_str(), rate, 0, 16, 2);
        for (int32_t off = 0; off < frames; off += 8192) sink->Write(s.data() + size_t(off) * 2, std::min(8192, frames - off));
    }
    LSoundSourcePtr src = LWaveFile::OpenSource(path.c_str());
    return test::ReadAll(*src);
}

void ExpectSameAudio(const std::vector<int32_t>& original, const std::vector<int32_t>& decoded, const char* decoder) {
    test::AudioMatch m = test::CompareAudio(original, decoded, 2, 3000);
    EXPECT_LT(std::fabs(m.levelDb), 0.5) << decoder;
    EXPECT_GT(m.correlation, 0.99) << decoder;
    EXPECT_LE(std::llabs(m.extraFrames + m.lag), 1152 + m.lag) << decoder << ": length within a frame plus the delay";
}

std::vector<std::string> Files(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(CommandLineToolMp3, WritesAnMp3ThroughTheEncoder) {
#ifndef _WIN32
    if (!test::HavePeer("lame")) GTEST_SKIP() << "needs Debian's lame";
#endif
    std::string dir = test::ScratchDir("climp3");
    std::string outDir = JoinPath(dir, "out dir");
    std::filesystem::create_directories(outDir);
    std::vector<int32_t> original = MakeTones(JoinPath(dir, "in.wav"));
    std::string out = JoinPath(outDir, "take one.mp3");
    ASSERT_EQ(RunTool(JoinPath(dir, "in.wav"), out), 0);
    EXPECT_EQ(Files(outDir), std::vector<std::string>{"take one.mp3"}) << "no temporary file is left";

    LSoundSourcePtr mp3 = OpenMP3Source(out.c_str());
    ASSERT_FALSE(mp3->HasError());
    EXPECT_EQ(mp3->nChans, 2);
    EXPECT_EQ(mp3->nSampleRate, 44100);
    ExpectSameAudio(original, test::ReadAll(*mp3), "our decoder");
#ifndef _WIN32
    if (test::HavePeer("mpg123")) {
        std::string raw = test::CommandOutput("mpg123 -q -s '" + out + "'");
        std::vector<int32_t> decoded(raw.size() / 2);
        for (size_t i = 0; i < decoded.size(); ++i)
            decoded[i] = int32_t(int16_t(uint16_t(uint8_t(raw[2 * i])) | uint16_t(uint8_t(raw[2 * i + 1])) << 8)) * 16;
        ExpectSameAudio(original, decoded, "mpg123");
    }
#endif
}

#ifndef _WIN32
namespace {

// A folder for PATH holding a "lame" that does what script says.
std::string FakeLame(const std::string& dir, const std::string& script) {
    std::string bin = JoinPath(dir, "bin");
    std::filesystem::create_directories(bin);
    std::string path = JoinPath(bin, "lame");
    std::ofstream(path) << "#!/bin/sh\nPATH=/usr/bin:/bin\n" << script << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return bin;
}

std::string ReadText(const std::string& path) {
    std::ifstream f(path);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

}  // namespace

// Without a working encoder the tool says why, exits 2 and leaves the MP3
// that was there as it was.
TEST(CommandLineToolMp3, AnEncoderThatFailsOrIsMissingLeavesTheOldFile) {
    struct Case {
        const char* script;  // "" : no lame on the PATH at all
        const char* says;
    } cases[] = {{"", "\"lame\" could not be started"},
                 {"exit 3", "\"lame\" failed (exit code 3)"},
                 {": > \"$5\"", "\"lame\" wrote no MP3 data"}};
    for (const Case& c : cases) {
        std::string dir = test::ScratchDir("climp3fail");
        std::string in = JoinPath(dir, "in.wav"), out = JoinPath(dir, "old.mp3"), err = JoinPath(dir, "err.txt");
        MakeTones(in);
        ASSERT_TRUE(LFile::WriteAll(out.c_str(), "old mp3", 7));
        std::string path = *c.script ? FakeLame(dir, c.script) : JoinPath(dir, "empty");
        int code = test::RunCommand("PATH='" + path + "' '" SONDREL_CLI "' --quiet '" + in + "' '" + out + "' 2>'" + err + "'");
        EXPECT_EQ(code, 2) << c.says;
        EXPECT_NE(ReadText(err).find(c.says), std::string::npos) << ReadText(err);
        std::vector<uint8_t> b;
        ASSERT_TRUE(LFile::ReadAll(out.c_str(), b));
        EXPECT_EQ(std::string(b.begin(), b.end()), "old mp3");
        EXPECT_TRUE(LFile::List(dir.c_str(), ".tmp").empty());
        EXPECT_EQ(LFile::List(dir.c_str(), ".wav"), std::vector<std::string>{"in.wav"});
    }
}

// Ctrl-C while the encoder runs: the tool ends it, exits 1 and keeps the old file.
TEST(CommandLineToolMp3, InterruptEndsTheEncoderAndKeepsTheOldFile) {
    std::string dir = test::ScratchDir("climp3int");
    std::string in = JoinPath(dir, "in.wav"), out = JoinPath(dir, "old.mp3"), pidFile = JoinPath(dir, "lame.pid");
    MakeTones(in);
    ASSERT_TRUE(LFile::WriteAll(out.c_str(), "old mp3", 7));
    std::string bin = FakeLame(dir, "echo $$ > '" + pidFile + "'; echo partial > \"$5\"; exec sleep 60");
    pid_t pid = fork();
    if (pid == 0) {
        setenv("PATH", bin.c_str(), 1);
        execl(SONDREL_CLI, SONDREL_CLI, "--quiet", in.c_str(), out.c_str(), (char*)nullptr);
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 500 && ReadText(pidFile).empty(); ++i) usleep(10000);
    int lamePid = std::atoi(ReadText(pidFile).c_str());
    ASSERT_GT(lamePid, 0) << "the encoder never started";
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(kill(lamePid, 0), -1) << "the encoder was ended";
    std::vector<uint8_t> b;
    ASSERT_TRUE(LFile::ReadAll(out.c_str(), b));
    EXPECT_EQ(std::string(b.begin(), b.end()), "old mp3");
    EXPECT_TRUE(LFile::List(dir.c_str(), ".tmp").empty());
    EXPECT_EQ(LFile::List(dir.c_str(), ".wav"), std::vector<std::string>{"in.wav"});
}
#endif
