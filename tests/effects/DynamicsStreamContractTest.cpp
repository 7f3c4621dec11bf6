// Every source here honours the stream contract: reading after Seek(p)
// gives the same frames as a fresh source sought to p, whatever was read
// before; past the end there is silence.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "effects/LDPAutoGain.h"
#include "effects/LSRCCompressor.h"
#include "effects/LSRCNoiseGates.h"
#include "effects/LSRCTimeStretch.h"
#include "effects/LSpeedPitch.h"
#include "support/LFile.h"
#include "support/TestUtil.h"

namespace sondrel {
namespace {

using test::VectorSource;

constexpr int32_t kRate = 44100;
constexpr int32_t kFrames = 3 * kRate;

// Tone bursts over noise, stereo: level changes for the dynamics processors.
std::vector<int32_t> Material() {
    std::mt19937 rng(21);
    std::uniform_int_distribution<int32_t> noise(-3000, 3000);
    auto tone = test::Sine(kFrames, 1, kRate, 523, 150000);
    std::vector<int32_t> v;
    for (int32_t i = 0; i < kFrames; ++i) {
        int32_t t = (i / 10000) % 2 ? tone[i] : tone[i] / 50;
        v.push_back(t + noise(rng));
        v.push_back(-t / 2 + noise(rng));
    }
    return v;
}

// An auto gain source over two files written here, as the analysis would.
LSoundSourcePtr AutoGainSource(const std::vector<int32_t>& audio, const std::string& folder) {
    const int32_t n = 882, chans = 2, blocks = int32_t(audio.size() / chans / n);
    auto files = std::make_shared<LAutoGainFiles>();
    // Names of their own: the files are held open unshared while the source lives.
    static int serial = 0;
    ++serial;
    files->szAudioPath = JoinPath(folder, "lca" + std::to_string(serial) + ".tmp");
    files->szLevelPath = JoinPath(folder, "lcp" + std::to_string(serial) + ".tmp");
    EXPECT_TRUE(files->fAudio.Open(files->szAudioPath.c_str(), LFile::kTempExclusive));
    EXPECT_TRUE(files->fLevels.Open(files->szLevelPath.c_str(), LFile::kTempExclusive));
    files->fAudio.Write(audio.data(), uint32_t(size_t(blocks) * n * chans * 4));
    std::vector<int8_t> levels;
    for (int32_t b = 0; b < blocks; ++b) levels.insert(levels.end(), {int8_t(-30 + (b / 20) % 2 * 25), int8_t(-40)});
    files->fLevels.Write(levels.data(), uint32_t(levels.size()));
    return MakeSource<LDPSRCAutoGain>(files, kRate, chans, n, blocks, std::vector<int32_t>{-10, -40},
                                      LAutoGainParams());
}

struct Maker {
    const char* name;
    std::function<LSoundSourcePtr(const LSoundSourcePtr&)> make;
    bool zerosWhenReadThroughTheEnd;
};

std::vector<Maker> Makers() {
    return {
        {"compressor", [](const LSoundSourcePtr& s) { return LSPCompressor(-20, CompressorRatioFactor(2)).OpenSource(s); },
         true},
        {"noise gate", [](const LSoundSourcePtr& s) { return LSPNoiseGates(-30).OpenSource(s); }, false},
        {"stretch 200%", [](const LSoundSourcePtr& s) { return LSPTimeStretch(2.0).OpenSource(s); }, false},
        {"stretch 50%", [](const LSoundSourcePtr& s) { return LSPTimeStretch(0.5).OpenSource(s); }, false},
        {"stretch ramp", [](const LSoundSourcePtr& s) { return LSPTimeStretch(3.0, 3.0, 0).OpenSource(s); }, false},
        {"resample 150%", [](const LSoundSourcePtr& s) { return LSPResample(1.5).OpenSource(s); }, false},
        {"pitch 150%", [](const LSoundSourcePtr& s) { return LSPPitchChange(1.5).OpenSource(s); }, false},
        {"constant pitch chain", [](const LSoundSourcePtr& s) { return OpenSpeedPitchChain(s, 70, 1); }, false},
    };
}

std::vector<int32_t> ReadFrames(LSoundSourceBase& s, int32_t frames) {
    std::vector<int32_t> out(size_t(frames) * s.nChans);
    for (int32_t done = 0; done < frames;) {
        int32_t n = std::min(frames - done, 3000);
        s.Read(out.data() + size_t(done) * s.nChans, n);
        done += n;
    }
    return out;
}

TEST(StreamContract, SeekGivesTheSameFramesAsAFreshSeek) {
    const auto material = Material();
    std::string folder = test::ScratchDir("contract");
    auto makers = Makers();
    makers.push_back({"auto gain source", [&](const LSoundSourcePtr&) { return AutoGainSource(material, folder); }, true});
    makers.push_back({"stretch backwards", [](const LSoundSourcePtr& s) { return LSPTimeStretch(-1.5).OpenSource(s); },
                      false});
    for (const Maker& m : makers) {
        for (int32_t p : {0, 1, 12345, kFrames / 2 + 77, kFrames - 2000}) {
            LSoundSourcePtr used = m.make(MakeSource<VectorSource>(material, kRate, 2));
            ReadFrames(*used, 9000);  // state from somewhere else first
            used->Seek(p);
            auto a = ReadFrames(*used, 6000);
            int32_t posA = used->GetPosition();

            LSoundSourcePtr fresh = m.make(MakeSource<VectorSource>(material, kRate, 2));
            fresh->Seek(p);
            auto b = ReadFrames(*fresh, 6000);
            EXPECT_EQ(a, b) << m.name << " at " << p;
            EXPECT_EQ(posA, fresh->GetPosition()) << m.name << " at " << p;
        }
    }
}

TEST(StreamContract, AutoGainSourceSoughtMatchesReadingThrough) {
    // Its gains depend only on the level records, so a seek replays them
    // and lands on exactly the frames a continuous read gives.
    const auto material = Material();
    std::string folder = test::ScratchDir("contract-agc");
    LSoundSourcePtr whole = AutoGainSource(material, folder);
    auto all = ReadFrames(*whole, whole->GetLength());
    for (int32_t p : {1, 881, 882, 30000, kFrames / 2 + 77}) {
        LSoundSourcePtr s = AutoGainSource(material, folder);
        s->Seek(p);
        auto got = ReadFrames(*s, 4000);
        std::vector<int32_t> want(all.begin() + size_t(p) * 2, all.begin() + size_t(p + 4000) * 2);
        EXPECT_EQ(got, want) << p;
    }
}

TEST(StreamContract, SilencePastTheEnd) {
    const auto material = Material();
    std::string folder = test::ScratchDir("contract-end");
    auto makers = Makers();
    makers.push_back({"auto gain source", [&](const LSoundSourcePtr&) { return AutoGainSource(material, folder); }, true});
    const std::vector<int32_t> zeros(size_t(5000) * 2, 0);
    for (const Maker& m : makers) {
        LSoundSourcePtr s = m.make(MakeSource<VectorSource>(material, kRate, 2));
        // Beyond the reach of the rate converter's 63-tap filter, whose tail
        // rings a few frames past the nominal end.
        s->Seek(s->GetLength() + 100);
        EXPECT_EQ(ReadFrames(*s, 5000), zeros) << m.name << " sought past the end";
        if (m.zerosWhenReadThroughTheEnd) {
            LSoundSourcePtr t = m.make(MakeSource<VectorSource>(material, kRate, 2));
            test::ReadAll(*t);
            EXPECT_EQ(ReadFrames(*t, 5000), zeros) << m.name << " read through the end";
        }
    }
    // Going backwards, "past the end" is before the start.
    LSoundSourcePtr back = LSPTimeStretch(-1.0).OpenSource(MakeSource<VectorSource>(material, kRate, 2));
    back->Seek(-10 * kRate / 90);
    EXPECT_EQ(ReadFrames(*back, 5000), zeros);
    // The gate's filters ring out after the end, then fall silent.
    LSoundSourcePtr gate = LSPNoiseGates(-30).OpenSource(MakeSource<VectorSource>(material, kRate, 2));
    test::ReadAll(*gate);
    ReadFrames(*gate, kRate / 2);
    EXPECT_EQ(ReadFrames(*gate, 5000), zeros) << "gate half a second after the end";
}

}  // namespace
}  // namespace sondrel
