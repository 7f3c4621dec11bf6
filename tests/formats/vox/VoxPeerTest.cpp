// VOX files against sox's Dialogic ADPCM. Our codec is leaky and its encoder's
// decision levels are raised, so samples differ; levels and waveforms must
// agree both ways.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>

#include "formats/vox/LVoxFile.h"
#include "formats/GsmVoxUtil.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {
const char* kRaw = " -t raw -e signed-integer -b 16 -c 1 -r 8000 ";
const char* kVox = " -t vox -c 1 -r 8000 ";
}  // namespace

TEST(VoxPeer, SoxFilesOpenAtTheirLevelAndOurFilesPlayAtTheirsOnSox) {
    if (!HavePeer("sox")) GTEST_SKIP() << "sox not available";
    const std::string dir = ScratchDir("vox-peer");
    struct Signal {
        const char* name;
        std::vector<int16_t> samples;
    };
    std::vector<Signal> signals;
    signals.push_back({"speech", SpeechLike(8000 * 20, Seed(), 20000)});
    signals.push_back({"quiet speech", SpeechLike(8000 * 10, Seed() + 7, 1500)});
    std::vector<int16_t> tone(8000 * 5);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = int16_t(std::lround(16000 * std::sin(i * 2 * std::numbers::pi * 440 / 8000)));
    signals.push_back({"440 Hz tone", tone});
    // Recordings often carry a small DC offset and some hum.
    auto offset = SpeechLike(8000 * 20, Seed() + 3, 12000);
    for (size_t i = 0; i < offset.size(); ++i)
        offset[i] = int16_t(offset[i] + 150 + std::lround(300 * std::sin(i * 2 * std::numbers::pi * 50 / 8000)));
    signals.push_back({"speech with offset and hum", offset});

    for (const Signal& s : signals) {
        SCOPED_TRACE(s.name);
        const std::string in = dir + "/in.raw";
        ASSERT_TRUE(WriteRaw16(in, s.samples));
        const auto ref = AsDouble(s.samples);

        // sox writes, we read.
        ASSERT_EQ(RunCommand(std::string("sox") + kRaw + "'" + in + "'" + kVox + "'" + dir + "/sox.vox'"), 0);
        ASSERT_EQ(RunCommand(std::string("sox") + kVox + "'" + dir + "/sox.vox'" + kRaw + "'" + dir + "/sox.raw'"), 0);
        const auto soxDecoded = AsDouble(ReadRaw16(dir + "/sox.raw"));
        LSoundSourcePtr src = OpenVOXSource((dir + "/sox.vox").c_str(), 8000);
        ASSERT_EQ(size_t(src->GetLength()), soxDecoded.size());
        const auto ours = AsDouble(ReadAll(*src), 1.0 / 16.0);
        const double readRatio = Rms(ours) / Rms(soxDecoded);
        const double readCorr = Correlation(ours, soxDecoded);

        // We write, sox reads.
        const auto x = ToInternal(s.samples);
        {
            LSoundSinkPtr sink = OpenVOXSink((dir + "/ours.vox").c_str(), 8000);
            for (size_t i = 0; i < x.size(); i += 8192) sink->Write(x.data() + i, int32_t(std::min<size_t>(8192, x.size() - i)));
        }
        ASSERT_EQ(RunCommand(std::string("sox") + kVox + "'" + dir + "/ours.vox'" + kRaw + "'" + dir + "/ours.raw'"), 0);
        const auto soxSamples = ReadRaw16(dir + "/ours.raw");
        const auto onSox = AsDouble(soxSamples);
        // sox rebuilds exactly the signal our encoder kept in view.
        LVoxCodec enc;
        size_t differ = 0;
        ASSERT_EQ(soxSamples.size(), x.size() / 2 * 2);
        for (size_t i = 0; i < soxSamples.size(); ++i) {
            enc.Encode(x[i]);
            differ += soxSamples[i] != enc.iPredictor / 16;
        }
        EXPECT_EQ(differ, 0u);
        const double writeRatio = Rms(onSox) / Rms(ref);
        const double writeCorr = Correlation(onSox, ref);
        const double soxOwnRatio = Rms(soxDecoded) / Rms(ref);
        const double soxOwnCorr = Correlation(soxDecoded, ref);

        std::printf("[ figure ] %s: sox file read by us %.3f x sox's level (%.2f dB, correlation %.4f); "
                    "our file on sox %.3f x input level (%.2f dB, correlation %.4f; sox's own round trip %.3f, correlation %.4f)\n",
                    s.name, readRatio, 20 * std::log10(readRatio), readCorr, writeRatio, 20 * std::log10(writeRatio),
                    writeCorr, soxOwnRatio, soxOwnCorr);
        EXPECT_NEAR(20 * std::log10(readRatio), 0.0, 1.0);
        EXPECT_GT(readCorr, 0.97);
        EXPECT_NEAR(20 * std::log10(writeRatio), 0.0, 1.0);
        EXPECT_GT(writeCorr, soxOwnCorr - 0.01);
    }
}
