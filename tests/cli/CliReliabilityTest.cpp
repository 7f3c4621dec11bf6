// The command-line tool as a user (and a hostile file or folder) meets it:
// a full disk, a temporary folder that is too long or booby-trapped, runs
// that are killed, names outside ASCII and long paths, and the messages that
// say which file failed and why.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "formats/LWaveFile.h"
#include "support/LFile.h"
#include "support/TestUtil.h"

using namespace sondrel;

namespace {

struct Result {
    int code = -1;
    std::string err;  // what the tool wrote to its error output
};

std::string ReadText(const std::string& path) {
    std::vector<uint8_t> b;
    LFile::ReadAll(path.c_str(), b);
    return std::string(b.begin(), b.end());
}

#ifdef _WIN32
std::string Exe() {
    std::string exe = SONDREL_CLI;
    if (!exe.empty() && exe[0] == '/') {
        exe = "Z:" + exe;
        std::replace(exe.begin(), exe.end(), '/', '\\');
    }
    return exe;
}
#endif

// Runs the tool; tmp (when given) is its temporary folder.
Result RunTool(const std::vector<std::string>& args, const std::string& tmp = "") {
    Result r;
    std::string errFile = JoinPath(test::ScratchDir("clierr"), "err.txt");
#ifdef _WIN32
    std::string cmd = "\"" + Exe() + "\" --quiet";
    for (const auto& a : args) cmd += " \"" + a + "\"";
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE err = CreateFileW(WidePath(errFile.c_str()).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = err;
    si.hStdError = err;
    char oldTmp[1024] = {}, oldTemp[1024] = {};
    GetEnvironmentVariableA("TMP", oldTmp, sizeof oldTmp);
    GetEnvironmentVariableA("TEMP", oldTemp, sizeof oldTemp);
    if (!tmp.empty()) {
        SetEnvironmentVariableA("TMP", tmp.c_str());
        SetEnvironmentVariableA("TEMP", tmp.c_str());
    }
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    bool started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA("TMP", oldTmp);
    SetEnvironmentVariableA("TEMP", oldTemp);
    if (started) {
        WaitForSingleObject(pi.hProcess, 120000);
        DWORD code = 99;
        GetExitCodeProcess(pi.hProcess, &code);
        r.code = int(code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(err);
#else
    std::string cmd = (tmp.empty() ? std::string() : "TMPDIR='" + tmp + "' ") + "'" + SONDREL_CLI + "' --quiet";
    for (const auto& a : args) cmd += " '" + a + "'";
    r.code = test::RunCommand(cmd + " >'" + errFile + "' 2>&1");
#endif
    r.err = ReadText(errFile);
    return r;
}

std::string MakeWav(const std::string& path, int32_t frames, uint32_t chans, int32_t rate = 8000) {
    LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(path.c_str(), rate, 0, 16, chans);
    std::vector<int32_t> s = test::Sine(frames, chans, rate, 330, 150000);
    for (int32_t i = 0; i < frames; i += 8192) sink->Write(s.data() + size_t(i) * chans, std::min(8192, frames - i));
    EXPECT_TRUE(sink->Finish());
    return path;
}

int32_t WavFrames(const std::string& path) {
    LSoundSourcePtr s = LWaveFile::OpenSource(path.c_str());
    return s->HasError() ? -1 : s->GetLength();
}

// The run folders the tool left in a temporary folder.
std::vector<std::string> RunFolders(const std::string& tmp) {
    std::vector<std::string> found;
    for (const std::string& n : LFile::List(tmp.c_str(), "")) found.push_back(n);  // files: none expected
#ifndef _WIN32
    std::string listing = test::CommandOutput("ls -A '" + tmp + "'");
    std::istringstream in(listing);
    for (std::string n; std::getline(in, n);)
        if (n.rfind("sondrel-cli-", 0) == 0) found.push_back(n);
#else
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW(WidePath(JoinPath(tmp, "sondrel-cli-*").c_str()).c_str(), &fd);
    if (f != INVALID_HANDLE_VALUE) {
        do found.push_back(NarrowPath(fd.cFileName));
        while (FindNextFileW(f, &fd));
        FindClose(f);
    }
#endif
    return found;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(CliReliability, MessagesNameTheFileAndTheCause) {
    std::string dir = test::ScratchDir("climsg"), tmp = test::ScratchDir("climsgtmp");
    std::string in = MakeWav(JoinPath(dir, "in.wav"), 3 * 8000, 1);
    std::string three = MakeWav(JoinPath(dir, "three.wav"), 800, 3);
    std::string text = JoinPath(dir, "text.wav");
    ASSERT_TRUE(LFile::WriteAll(text.c_str(), "not audio at all", 16));
    std::string missing = JoinPath(dir, "missing.wav"), nowhere = JoinPath(JoinPath(dir, "no-such-folder"), "o.wav");
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string message;  // part of the error output
        int32_t frames;       // of the output when it is written
    };
    const Case cases[] = {
        {{missing, JoinPath(dir, "o1.wav")}, 2, "Cannot open \"" + missing + "\": no such file or folder", 0},
        {{text, JoinPath(dir, "o2.wav")}, 2, "Cannot open \"" + text + "\": it is not a readable WAV file", 0},
        // More than two channels come in mixed down to stereo, and opening says so.
        {{three, JoinPath(dir, "o3.wav")}, 0, "\"three.wav\" has 3 channels; they were mixed down to stereo.", 800},
        {{in, "--insert-file", three, JoinPath(dir, "o4.wav")}, 0, "", 3 * 8000 + 800},
        {{in, "--mix-file", three + ",50,0", JoinPath(dir, "o5.wav")}, 0, "", 3 * 8000},
        {{in, nowhere}, 2, "Cannot save \"" + nowhere + "\": no such file or folder", 0},
        {{in, "--reverb", "50,49", JoinPath(dir, "o6.wav")}, 2, "Reverb time must be between 50 and 1000", 0},
        {{in, "--insert-silence", "2147483647", JoinPath(dir, "o7.wav")}, 2, "longer than Sondrel can hold", 0},
        // Held to the audio: the clean result, no message.
        {{in, "--select", "5000,6000", "--silence", JoinPath(dir, "o8.wav")}, 0, "", 3 * 8000},
        {{in, "--position", "2147483647", "--insert-silence", "100", JoinPath(dir, "o9.wav")}, 0, "", 3 * 8000 + 800},
        {{in, "--select", "1000,2000", "--paste", JoinPath(dir, "o10.wav")}, 0, "", 3 * 8000},
        {{in, "--select", "-500,500", "--delete", JoinPath(dir, "o11.wav")}, 0, "", 3 * 8000 - 4000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1]);
        Result r = RunTool(c.args, tmp);
        EXPECT_EQ(r.code, c.code) << r.err;
        if (!c.message.empty()) {
            EXPECT_TRUE(Has(r.err, c.message)) << r.err;
        }
        if (c.code == 0) {
            EXPECT_EQ(WavFrames(c.args.back()), c.frames);
        } else {
            EXPECT_FALSE(LFile::Exists(c.args.back().c_str()));
        }
        EXPECT_TRUE(RunFolders(tmp).empty());
    }
}

TEST(CliReliability, HostileFilesEndQuicklyWithTheirRealData) {
    std::string dir = test::ScratchDir("clihostile"), tmp = test::ScratchDir("clihostiletmp");
    std::string fixtures = std::string(SONDREL_SOURCE_DIR) + "/tests/data/hostile/";
    struct Case {
        const char* file;
        int code;
        int32_t frames;
    };
    for (const Case& c : {Case{"declares-4g-8bit-mono.wav", 0, 100}, Case{"fuzz-4bit-declares-1g.wav", 0, 33},
                          Case{"fuzz-17ch-declares-2g.wav", 0, 0}}) {  // mixed down: no whole frame
        SCOPED_TRACE(c.file);
        std::string out = JoinPath(dir, std::string("out-") + c.file);
        Result r = RunTool({fixtures + c.file, out}, tmp);
        EXPECT_EQ(r.code, c.code) << r.err;
        if (c.code == 0) {
            EXPECT_EQ(WavFrames(out), c.frames);
        }
        EXPECT_TRUE(RunFolders(tmp).empty());
    }
}

TEST(CliReliability, ATemporaryFolderTooLongForSegmentNamesIsRefused) {
    // 239 characters: the run folder's segment names no longer fit in 259.
    std::string tmp = test::ScratchDir("clilong");
    while (PathLength(tmp) < 239) {
        std::string next = JoinPath(tmp, std::string(std::min<size_t>(40, 239 - PathLength(tmp) - 1), 't'));
        if (PathLength(next) > 239) break;
        ASSERT_TRUE(LFile::MakeFolder(next.c_str())) << next;
        tmp = next;
    }
    std::string dir = test::ScratchDir("clilongio");
    std::string in = MakeWav(JoinPath(dir, "in.wav"), 8000, 1), out = JoinPath(dir, "out.wav");
    Result r = RunTool({in, "--repeat", "1", out}, tmp);
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(Has(r.err, "the path is too long")) << r.err;
    EXPECT_FALSE(LFile::Exists(out.c_str()));
    EXPECT_TRUE(RunFolders(tmp).empty());
}

TEST(CliReliability, NamesOutsideAsciiAndLongPathsWork) {
    // "Grüße 東京": characters no single-byte code page holds.
    const std::string name = "Gr\xC3\xBC\xC3\x9F" "e \xE6\x9D\xB1\xE4\xBA\xAC";
    std::string dir = JoinPath(test::ScratchDir("cliname"), name);
    ASSERT_TRUE(LFile::MakeFolder(dir.c_str()));
    std::string in = MakeWav(JoinPath(dir, name + ".wav"), 8000, 2);
    ASSERT_EQ(WavFrames(in), 8000);
    std::string out = JoinPath(dir, name + " mono.wav");
    Result r = RunTool({in, "--mono", out});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(WavFrames(out), 8000);

    // A folder 300 characters deep, beyond the older calls' 260.
    std::string deep = test::ScratchDir("clideep");
    while (PathLength(deep) < 300) {
        deep = AppendPath(deep, std::string(50, 'd'));
        ASSERT_TRUE(LFile::MakeFolder(deep.c_str())) << PathLength(deep);
    }
    std::string longIn = MakeWav(AppendPath(deep, "in.wav"), 8000, 1), longOut = AppendPath(deep, "out.gsm");
    r = RunTool({longIn, "--stereo", "--select-all", "--amplify", "50", longOut});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(LFile::Exists(longOut.c_str()));
}

#ifndef _WIN32

// Starts the tool on a long job with its own temporary folder; returns its pid.
pid_t Start(const std::vector<std::string>& args, const std::string& tmp) {
    pid_t pid = fork();
    if (pid == 0) {
        setenv("TMPDIR", tmp.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(SONDREL_CLI), const_cast<char*>("--quiet")};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(SONDREL_CLI, argv.data());
        _exit(127);
    }
    return pid;
}

// Waits until the run is busy with its audio (a segment exists).
bool WaitForSegments(const std::string& tmp) {
    for (int i = 0; i < 4000; ++i) {
        std::string found = test::CommandOutput("ls '" + tmp + "'/sondrel-cli-*/*.aud 2>/dev/null");
        if (!found.empty()) return true;
        usleep(1000);
    }
    return false;
}

TEST(CliReliability, TerminationCancelsAndAKilledRunIsClearedNextTime) {
    std::string dir = test::ScratchDir("clisig"), tmp = test::ScratchDir("clisigtmp");
    std::string in = MakeWav(JoinPath(dir, "in.wav"), 44100 * 120, 2, 44100);
    std::string out = JoinPath(dir, "out.wav");
    const std::vector<std::string> job = {in, "--rate", "48000", "--reverb", "50,500", out};
    for (int sig : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        pid_t pid = Start(job, tmp);
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(WaitForSegments(tmp));
        kill(pid, sig);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_FALSE(LFile::Exists(out.c_str()));
        EXPECT_TRUE(RunFolders(tmp).empty());
        EXPECT_TRUE(LFile::List(dir.c_str(), ".tmp").empty());
    }
    // A run killed outright leaves its folder; the next run clears it.
    pid_t pid = Start(job, tmp);
    ASSERT_TRUE(WaitForSegments(tmp));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    ASSERT_EQ(RunFolders(tmp).size(), 1u);
    std::string small = MakeWav(JoinPath(dir, "small.wav"), 800, 1);
    Result r = RunTool({small, JoinPath(dir, "small-out.wav")}, tmp);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(RunFolders(tmp).empty());
}

TEST(CliReliability, LinksPlantedInTheTemporaryFolderAreNeitherUsedNorCleared) {
    std::string dir = test::ScratchDir("clilink"), tmp = test::ScratchDir("clilinktmp");
    std::string victim = test::ScratchDir("clivictim");
    for (const char* n : {"0.aud", "1.aud", "~sndsave-3ffffff1-0123.tmp"})
        ASSERT_TRUE(LFile::WriteAll(JoinPath(victim, n).c_str(), "mine", 4));
    // A link under a dead run's name, and links under the names a
    // predictable tool would use next.
    ASSERT_EQ(symlink(victim.c_str(), JoinPath(tmp, "sondrel-cli-3ffffff1-00ff00ff00ff").c_str()), 0);
    for (int p = getpid() + 1; p < getpid() + 300; ++p)
        ASSERT_EQ(symlink(victim.c_str(), JoinPath(tmp, "sondrel-cli-" + std::to_string(p)).c_str()), 0);
    std::string in = MakeWav(JoinPath(dir, "in.wav"), 8000, 1);
    Result r = RunTool({in, "--repeat", "2", JoinPath(dir, "out.wav")}, tmp);
    EXPECT_EQ(r.code, 0) << r.err;
    std::vector<std::string> mine = LFile::List(victim.c_str(), "");
    std::sort(mine.begin(), mine.end());
    EXPECT_EQ(mine, (std::vector<std::string>{"0.aud", "1.aud", "~sndsave-3ffffff1-0123.tmp"}));
    EXPECT_EQ(ReadText(JoinPath(victim, "0.aud")), "mine");
}

// A real file system that fills up: a 2 MB tmpfs in a mount namespace of
// the test's own (skipped where such namespaces are not allowed).
TEST(CliReliability, AFullFileSystemFailsTheRunAndKeepsTheFileThatWasThere) {
    std::string dir = test::ScratchDir("clitmpfs");
    std::string in = MakeWav(JoinPath(dir, "s.wav"), 44100 * 3, 2, 44100);  // 529 KB; repeated 5 times 3.2 MB
    std::string keep = MakeWav(JoinPath(dir, "keep.wav"), 44100 * 8, 2, 44100);  // 1.4 MB
    LFile::MakeFolder(JoinPath(dir, "mnt").c_str());
    LFile::MakeFolder(JoinPath(dir, "tmp").c_str());
    const std::string script =
        "set -u; D='" + dir + "'; CLI='" + SONDREL_CLI + "'\n" +
        "mount -t tmpfs -o size=2m tmpfs \"$D/mnt\" || { echo nomount > \"$D/result\"; exit 0; }\n"
        "cp \"$D/keep.wav\" \"$D/mnt/keep.wav\"\n"
        // The output on the full disk, the temporary folder elsewhere.
        "TMPDIR=\"$D/tmp\" \"$CLI\" --quiet \"$D/s.wav\" --repeat 5 \"$D/mnt/keep.wav\" 2> \"$D/err1\"; echo $? > \"$D/rc1\"\n"
        "cmp -s \"$D/keep.wav\" \"$D/mnt/keep.wav\" && echo same > \"$D/same\"\n"
        "ls -A \"$D/mnt\" > \"$D/left1\"\n"
        // The temporary folder on the full disk: a run with a step keeps
        // the file in it; a plain conversion needs no room there.
        "mkdir \"$D/mnt/tmp\"; TMPDIR=\"$D/mnt/tmp\" \"$CLI\" --quiet \"$D/s.wav\" --select-all \"$D/out2.wav\" "
        "2> \"$D/err2\"; echo $? > \"$D/rc2\"\n"
        "ls -A \"$D/mnt/tmp\" > \"$D/left2\"\n"
        "TMPDIR=\"$D/mnt/tmp\" \"$CLI\" --quiet \"$D/s.wav\" \"$D/out3.wav\" 2> \"$D/err3\"; echo $? > \"$D/rc3\"\n"
        "echo ran > \"$D/result\"\n";
    ASSERT_TRUE(LFile::WriteAll(JoinPath(dir, "run.sh").c_str(), script.data(), script.size()));
    int rc = test::RunCommand("unshare --user --map-root-user --mount sh '" + JoinPath(dir, "run.sh") + "' 2>/dev/null");
    std::string result = ReadText(JoinPath(dir, "result"));
    if (rc != 0 || result != "ran\n") GTEST_SKIP() << "no private mount namespace here (" << result << ")";

    EXPECT_EQ(ReadText(JoinPath(dir, "rc1")), "2\n");
    EXPECT_EQ(ReadText(JoinPath(dir, "same")), "same\n");
    EXPECT_EQ(ReadText(JoinPath(dir, "left1")), "keep.wav\n");
    EXPECT_TRUE(Has(ReadText(JoinPath(dir, "err1")), "Cannot save \"" + dir + "/mnt/keep.wav\": the disk is full"))
        << ReadText(JoinPath(dir, "err1"));
    EXPECT_EQ(ReadText(JoinPath(dir, "rc2")), "2\n");
    EXPECT_EQ(ReadText(JoinPath(dir, "left2")), "");
    EXPECT_FALSE(LFile::Exists(JoinPath(dir, "out2.wav").c_str()));
    EXPECT_TRUE(Has(ReadText(JoinPath(dir, "err2")), "Cannot open \"" + in + "\": the disk is full"))
        << ReadText(JoinPath(dir, "err2"));
    EXPECT_EQ(ReadText(JoinPath(dir, "rc3")), "0\n") << ReadText(JoinPath(dir, "err3"));
    std::vector<uint8_t> a, b;
    ASSERT_TRUE(LFile::ReadAll(in.c_str(), a));
    ASSERT_TRUE(LFile::ReadAll(JoinPath(dir, "out3.wav").c_str(), b));
    EXPECT_TRUE(a == b);
}

// Saving as MP3 onto a real file system that fills: first the temporary
// WAV beside the target, then the encoder's MP3, and last the encoder's
// final flush, which Debian's lame does not check (it exits with 0 and a
// file cut at a block). Every run that does not fit fails with the old file
// intact and nothing of ours left; one more block of room and it succeeds.
TEST(CliReliability, AnMp3SaveOnAFillingFileSystemKeepsTheOldFileUntilItIsComplete) {
    if (!test::HavePeer("lame")) GTEST_SKIP() << "needs Debian's lame";
    std::string dir = test::ScratchDir("climp3tmpfs");
    const int32_t frames = 44100 * 3;
    std::string in = MakeWav(JoinPath(dir, "in.wav"), frames, 2, 44100);
    LFile::MakeFolder(JoinPath(dir, "mnt").c_str());
    LFile::MakeFolder(JoinPath(dir, "tmp").c_str());
    // What a complete save writes, outside the small file system.
    Result whole = RunTool({in, JoinPath(dir, "whole.mp3")}, JoinPath(dir, "tmp"));
    ASSERT_EQ(whole.code, 0) << whole.err;
    std::vector<uint8_t> mp3;
    ASSERT_TRUE(LFile::ReadAll(JoinPath(dir, "whole.mp3").c_str(), mp3));
    const int64_t page = 4096, wav = 44 + int64_t(frames) * 4;
    const int64_t wavPages = (wav + page - 1) / page * page, mp3Full = int64_t(mp3.size()) / page * page;
    ASSERT_NE(int64_t(mp3.size()) % page, 0) << "the cut at the last block needs a partial block";
    const std::string old(5000, 'o');
    ASSERT_TRUE(LFile::WriteAll(JoinPath(dir, "keep.mp3").c_str(), old.data(), old.size()));

    struct Case {
        int64_t room;     // free bytes beside the target when the save starts
        const char* why;  // part of the message; "" when the save succeeds
    } cases[] = {
        {0, "the disk is full"},
        {8192, "the disk is full"},
        {wavPages - page, "the disk is full"},
        {wavPages, "failed (exit code"},
        {wavPages + mp3Full / 2 / page * page, "failed (exit code"},
        {wavPages + mp3Full, "could not write the whole file"},
        {wavPages + mp3Full + 2 * page, ""},
    };
    std::string script = "set -u; D='" + dir + "'; CLI='" + SONDREL_CLI + "'\n" +
                         "mount -t tmpfs -o size=4m tmpfs \"$D/mnt\" || { echo nomount > \"$D/result\"; exit 0; }\n";
    for (size_t i = 0; i < std::size(cases); ++i) {
        std::string n = std::to_string(i);
        script += "cp \"$D/keep.mp3\" \"$D/mnt/keep.mp3\"; rm -f \"$D/mnt/fill\"\n"
                  "free=$(df -B1 --output=avail \"$D/mnt\" | tail -1)\n"
                  "head -c $((free - " + std::to_string(cases[i].room) + ")) /dev/zero > \"$D/mnt/fill\"\n"
                  "TMPDIR=\"$D/tmp\" \"$CLI\" --quiet \"$D/in.wav\" \"$D/mnt/keep.mp3\" 2> \"$D/err" + n +
                  "\"; echo $? > \"$D/rc" + n + "\"\n"
                  "cp \"$D/mnt/keep.mp3\" \"$D/got" + n + "\"; ls -A \"$D/mnt\" > \"$D/left" + n + "\"\n";
    }
    script += "echo ran > \"$D/result\"\n";
    ASSERT_TRUE(LFile::WriteAll(JoinPath(dir, "run.sh").c_str(), script.data(), script.size()));
    int rc = test::RunCommand("unshare --user --map-root-user --mount sh '" + JoinPath(dir, "run.sh") + "' 2>/dev/null");
    std::string result = ReadText(JoinPath(dir, "result"));
    if (rc != 0 || result != "ran\n") GTEST_SKIP() << "no private mount namespace here (" << result << ")";

    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(testing::Message() << "room " << c.room);
        std::string n = std::to_string(i);
        std::string err = ReadText(JoinPath(dir, "err" + n));
        std::vector<uint8_t> got;
        ASSERT_TRUE(LFile::ReadAll(JoinPath(dir, "got" + n).c_str(), got));
        EXPECT_EQ(ReadText(JoinPath(dir, "left" + n)), "fill\nkeep.mp3\n");
        if (!*c.why) {
            EXPECT_EQ(ReadText(JoinPath(dir, "rc" + n)), "0\n") << err;
            EXPECT_EQ(got, mp3);
            continue;
        }
        EXPECT_EQ(ReadText(JoinPath(dir, "rc" + n)), "2\n") << err;
        EXPECT_EQ(std::string(got.begin(), got.end()), old);
        EXPECT_TRUE(Has(err, dir + "/mnt/keep.mp3")) << err;
        EXPECT_TRUE(Has(err, c.why)) << err;
    }
}

#endif

}  // namespace
