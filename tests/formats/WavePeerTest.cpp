// WAV files exchanged with sox: files sox makes open with sox's own samples,
// and files we write read back in sox with the same samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "WaveBytes.h"
#include "formats/LWaveFile.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

std::string Q(const std::string& path) { return "'" + path + "'"; }

// sox's signed 16-bit decode of a file.
std::vector<int16_t> SoxDecode(const std::string& wav) {
    std::string raw = wav + ".raw";
    if (RunCommand("sox " + Q(wav) + " -t raw -e signed -b 16 " + Q(raw)) != 0) return {};
    Bytes b = ReadBytes(raw);
    std::vector<int16_t> s;
    for (size_t k = 0; k + 1 < b.size(); k += 2) s.push_back(int16_t(Get16(b, k)));
    return s;
}

std::string Soxi(const std::string& option, const std::string& wav) {
    std::string out = CommandOutput("soxi " + option + " " + Q(wav) + " 2>/dev/null");
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

// Variants of a sox-made file that exercise the chunk walk.
Bytes WithExtraChunks(const Bytes& sox) {
    size_t data = FindChunk(sox, "data");
    Bytes out(sox.begin(), sox.begin() + data);
    Bytes odd = Chunk("junk", {1, 2, 3, 4, 5});
    Bytes list = Chunk("LIST", Bytes{'I', 'N', 'F', 'O', 'I', 'C', 'M', 'T', 5, 0, 0, 0, 'h', 'e', 'l', 'l', 'o', 0});
    out.insert(out.end(), odd.begin(), odd.end());
    out.insert(out.end(), list.begin(), list.end());
    size_t dataEnd = data + 8 + ((size_t(Get32(sox, data + 4)) + 1) & ~size_t(1));
    out.insert(out.end(), sox.begin() + data, sox.begin() + dataEnd);
    Bytes tail = Chunk("LIST", Bytes(31, 0x41));
    out.insert(out.end(), tail.begin(), tail.end());
    Set32(out, 4, uint32_t(out.size() - 8));
    return out;
}

Bytes Unfinished(const Bytes& sox) {
    Bytes out = sox;
    Set32(out, 4, 0xFFFFFFFF);
    Set32(out, FindChunk(out, "data") + 4, 0xFFFFFFFF);
    return out;
}

}  // namespace

TEST(WavePeer, SoxFilesOpenWithSoxSamples) {
    if (!HavePeer("sox")) GTEST_SKIP() << "sox not installed";
    struct Case {
        int rate, chans, bits;
        const char* encoding;
    };
    const Case cases[] = {
        {8000, 1, 8, "unsigned"}, {22050, 2, 8, "unsigned"}, {44100, 1, 16, "signed"}, {48000, 2, 16, "signed"}};
    std::string dir = ScratchDir("soxin");
    for (const Case& c : cases) {
        std::string name = std::to_string(c.rate) + "-" + std::to_string(c.chans) + "-" + std::to_string(c.bits);
        std::string made = JoinPath(dir, name + ".wav");
        // A tone (and noise in a second channel) at -1 dB.
        std::string synth = "sox -R -n -r " + std::to_string(c.rate) + " -b " + std::to_string(c.bits) + " -e " +
                            c.encoding + " -c " + std::to_string(c.chans) + " " + Q(made) +
                            " synth 0.7 sine 440 whitenoise gain -1 2>/dev/null";
        ASSERT_EQ(RunCommand(synth), 0) << synth;
        std::vector<int16_t> want16 = SoxDecode(made);
        ASSERT_FALSE(want16.empty());
        std::vector<int32_t> want;
        for (int16_t s : want16) want.push_back(int32_t(s) * 16);

        Bytes sox = ReadBytes(made);
        struct Variant {
            const char* what;
            Bytes bytes;
        };
        const Variant variants[] = {
            {"as made", sox}, {"extra chunks", WithExtraChunks(sox)}, {"unfinished sizes", Unfinished(sox)}};
        for (const Variant& v : variants) {
            SCOPED_TRACE(name + ", " + v.what);
            std::string path = WriteBytes(dir, name + "-" + std::to_string(&v - variants) + ".wav", v.bytes);
            LSoundSourcePtr src = LWaveFile::OpenSource(path.c_str());
            ASSERT_FALSE(src->HasError()) << LWaveFile::LastDiagnostic();
            EXPECT_EQ(src->nSampleRate, c.rate);
            EXPECT_EQ(src->nChans, c.chans);
            EXPECT_EQ(src->GetLength(), int32_t(want.size() / c.chans));
            EXPECT_EQ(ReadAll(*src), want);
        }
    }
}

TEST(WavePeer, SoxReadsWhatWeWrite) {
    if (!HavePeer("sox") || !HavePeer("soxi")) GTEST_SKIP() << "sox not installed";
    struct Case {
        int32_t bits, rate;
        uint32_t chans;
        const char* encoding;  // as soxi names it
    };
    const Case cases[] = {{16, 44100, 2, "Signed Integer PCM"},
                          {16, 22050, 1, "Signed Integer PCM"},
                          {8, 8000, 1, "Unsigned Integer PCM"},
                          {8, 11025, 2, "Unsigned Integer PCM"}};
    std::string dir = ScratchDir("soxout");
    std::mt19937 rng(Seed());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits " << c.rate << " Hz " << c.chans << " ch");
        std::string path = JoinPath(dir, "w" + std::to_string(c.bits) + "-" + std::to_string(c.rate) + ".wav");
        // A sine across several blocks, random samples, and both extremes.
        const int32_t frames = 20000;
        std::vector<int32_t> in = Sine(frames, c.chans, c.rate, 440.0, 400000.0);
        for (size_t k = size_t(frames / 2) * c.chans; k < in.size(); ++k)
            in[k] = int32_t(rng() % (2 * 0x7FFF0 + 1)) - 0x7FFF0;
        in[0] = -524288;
        in[1] = 0x7FFF0;
        {
            LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(path.c_str(), c.rate, 0, c.bits, c.chans);
            ASSERT_FALSE(sink->HasError());
            for (int32_t at = 0; at < frames; at += kMaxBlockFrames)
                sink->Write(in.data() + size_t(at) * c.chans, std::min(kMaxBlockFrames, frames - at));
        }
        EXPECT_EQ(Soxi("-r", path), std::to_string(c.rate));
        EXPECT_EQ(Soxi("-c", path), std::to_string(c.chans));
        EXPECT_EQ(Soxi("-b", path), std::to_string(c.bits));
        EXPECT_EQ(Soxi("-e", path), c.encoding);
        EXPECT_EQ(Soxi("-s", path), std::to_string(frames));
        std::vector<int16_t> want;
        for (int32_t s : in) want.push_back(c.bits == 16 ? ToPCM16(s) : int16_t((int32_t(ToPCM8(s)) - 128) * 256));
        EXPECT_EQ(SoxDecode(path), want);
    }
}
