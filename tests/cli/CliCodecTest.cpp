// The tool picks the format by the output's extension: FLAC, Ogg Vorbis and
// Opus files it writes decode with flac, oggdec and opusdec to what it was
// given (FLAC exactly; the lossy ones at the same length), and the files it
// opens come back out as WAV with their samples.
#include <gtest/gtest.h>

#include "CliRun.h"
#include "formats/LWaveFile.h"
#include "support/LFile.h"
#include "support/TestUtil.h"

using namespace sondrel;

#ifndef _WIN32
TEST(CommandLineTool, SavesAndOpensFlacOggVorbisAndOpusByExtension) {
    for (const char* p : {"sox", "flac", "oggdec", "opusdec"})
        if (!test::HavePeer(p)) GTEST_SKIP() << p << " not installed";
    std::string dir = test::ScratchDir("clicodecs");
    std::string in = JoinPath(dir, "in.wav");
    ASSERT_EQ(test::RunCommand("sox -R -n -r 44100 -b 16 -c 2 '" + in + "' synth 1.5 sine 440 pinknoise gain -6"), 0);
    auto raw = [](const std::string& wav) { return test::CommandOutput("sox '" + wav + "' -t raw - | md5sum"); };
    auto frames = [](const std::string& wav) { return test::CommandOutput("soxi -s '" + wav + "'"); };
    struct Case {
        const char* ext;
        const char* decode;  // the peer, %s in, %o out (WAV)
        const char* frames;  // of the peer's decode
    };
    for (Case c : {Case{"flac", "flac -s -f -d -o %o %s", "66150\n"}, Case{"ogg", "oggdec -Q -o %o %s", "66150\n"},
                   Case{"opus", "opusdec --quiet --rate 48000 %s %o", "71986\n"}}) {  // converted to 48000 Hz
        SCOPED_TRACE(c.ext);
        std::string out = JoinPath(dir, std::string("out.") + c.ext), back = out + ".wav";
        ASSERT_EQ(test::RunCli({in, out}), 0);
        std::string cmd = c.decode;
        cmd.replace(cmd.find("%s"), 2, "'" + out + "'");
        cmd.replace(cmd.find("%o"), 2, "'" + back + "'");
        ASSERT_EQ(test::RunCommand(cmd), 0) << cmd;
        EXPECT_EQ(frames(back), c.frames);
        if (std::string(c.ext) == "flac") {
            EXPECT_EQ(raw(back), raw(in));
        }
        // And the tool opens what it wrote.
        std::string again = JoinPath(dir, std::string("again-") + c.ext + ".wav");
        ASSERT_EQ(test::RunCli({out, again}), 0);
        EXPECT_EQ(frames(again), c.frames);
        if (std::string(c.ext) == "flac") {
            EXPECT_EQ(raw(again), raw(in));
        }
    }
}
#endif
