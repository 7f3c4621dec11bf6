// The peers' files and their own decodes of them, made by the build
// (tests/scripts/make-peer-fixtures.sh): the same checks in both builds, so
// that the Windows program, which cannot run the peers, reads every new
// format as the native one does. With SONDREL_CODEC_CHECK naming a folder,
// the last case writes FLAC, Ogg Vorbis and Opus files there for
// check-codecs-with-peers.sh to decode with the peers.
#include <gtest/gtest.h>

#include <cstdlib>

#include "formats/CodecPeerUtil.h"
#include "document/LSDLoadFile.h"
#include "formats/LOpenReport.h"
#include "formats/flac/LFLACFile.h"
#include "formats/ogg/LOpusFile.h"
#include "formats/ogg/LVorbisFile.h"
#include "support/LFailure.h"

using namespace sondrel;
using namespace sondrel::test;


TEST(CodecFixture, PeerFilesOpenWithThePeersSamples) {
    if (Fixture("fx_opus.raw").empty()) GTEST_SKIP() << "no peer fixtures (tests/scripts/make-peer-fixtures.sh)";
    struct Case {
        const char* file;
        const char* reference;  // .s32: exact; .raw: 16-bit
        double tolerance;       // 16-bit steps
    };
    const Case cases[] = {
        {"fx_s24.wav", "fx_s24.s32", 1.5},         {"fx_f32.wav", "fx_f32.s32", 1.5},
        {"fx_6ch.wav", "fx_6ch.s32", 1.5},         {"fx_flac16.flac", "fx_flac16.raw", 0.0},
        {"fx_flac24.flac", "fx_flac24.s32", 1.5}, {"fx_vorbis.ogg", "fx_vorbis.raw", 2.0},
        {"fx_opus.opus", "fx_opus.raw", 2.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::string path = Fixture(c.file);
        ASSERT_FALSE(path.empty());
        LSoundSourcePtr src = OpenAudioFileSource(path, 8000);
        ASSERT_FALSE(src->HasError());
        std::vector<int32_t> ours = Drain(*src);
        std::string ref = Fixture(c.reference);
        std::vector<double> want;
        if (ref.size() > 4 && ref.substr(ref.size() - 4) == ".s32") {
            want = ReadRaw32(ref);
        } else {
            for (int32_t s : ReadRaw16AsSamples(ref)) want.push_back(s / 16.0);
        }
        EXPECT_LE(MaxDistance(ours, want), c.tolerance) << ours.size() << " " << want.size();
    }
}

// Writes what check-codecs-with-peers.sh decodes with flac, oggdec and opusdec.
TEST(CodecFixture, WritesFilesForThePeers) {
    const char* dir = std::getenv("SONDREL_CODEC_CHECK");
    if (!dir) GTEST_SKIP() << "SONDREL_CODEC_CHECK names no folder";
    std::vector<int32_t> wrote = TestSignal(48000 * 2, 2, 48000);
    std::vector<int16_t> pcm;
    for (int32_t s : wrote) pcm.push_back(int16_t(s / 16));
    ASSERT_TRUE(WriteWav16(std::string(dir) + "\\wrote.wav", pcm, 48000, 2));
    LAudioTags tags{"Take", "Ensemble", "Sessions", "note"};
    for (const char* name : {"\\ours.flac", "\\ours.ogg", "\\ours.opus"}) {
        std::string path = std::string(dir) + name;
        ASSERT_TRUE(WriteAllTo(OpenAudioFileSink(path, path, 48000, 2, tags), wrote)) << name;
    }
}

TEST(CodecFixture, EncodersRefuseWhatTheirFormatCannotHold) {
    // 1.1 MHz is past FLAC's and Vorbis's highest rate: the writer fails at
    // once, creates no audio, and says why in words the save message uses.
    std::string dir = ScratchDir("refuse");
    for (const char* name : {"high.flac", "high.ogg"}) {
        SCOPED_TRACE(name);
        std::string path = JoinPath(dir, name);
        ClearFailure();
        LSoundSinkPtr sink = OpenAudioFileSink(path, path, 1100000, 2);
        ASSERT_TRUE(sink);
        EXPECT_TRUE(sink->HasError());
        std::string type = std::string(name).substr(5);
        for (char& ch : type) ch = char(ch - 'a' + 'A');
        EXPECT_EQ(FailureText(LastFailure()),
                  "the " + type + " format cannot hold audio of this sample rate and channel count");
    }
}
