// Ogg Vorbis and Opus files exchanged with the reference tools: files that
// oggenc and opusenc make open with the samples oggdec and opusdec give
// (within two 16-bit steps: the decoders round, we dither), and files we
// write decode with oggdec, opusdec and sox to what we wrote (a lossy codec's
// copy: same length, level within 0.5 dB, correlation above 0.99), tags
// included. Damaged files open as far as they decode.
#include <gtest/gtest.h>

#include "formats/CodecPeerUtil.h"
#include "formats/LOpenReport.h"
#include "formats/LWaveFile.h"
#include "formats/ogg/LOpusFile.h"
#include "formats/ogg/LVorbisFile.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

using Opener = LSoundSourcePtr (*)(const char*);
LSoundSourcePtr OpenVorbis(const char* p) { return OpenVorbisSource(p); }

std::vector<int32_t> OpenOgg(Opener open, const std::string& path, LOpenReport& report) {
    ResetOpenReport(path);
    LSoundSourcePtr src = open(path.c_str());
    EXPECT_FALSE(src->HasError()) << path;
    std::vector<int32_t> all = Drain(*src);
    report = OpenReport();
    return all;
}

bool HaveOggPeers() {
    return HavePeer("sox") && HavePeer("oggenc") && HavePeer("oggdec") && HavePeer("opusenc") && HavePeer("opusdec") &&
           HavePeer("vorbiscomment");
}

// The peer's decode: raw signed 16-bit little-endian.
std::vector<int32_t> PeerDecode(bool opus, const std::string& file) {
    std::string raw = file + ".raw";
    std::string cmd = opus ? "opusdec --quiet --no-dither --rate 48000 " + Q(file) + " " + Q(raw + ".wav") +
                                 " && sox " + Q(raw + ".wav") + " -t raw -e signed -b 16 " + Q(raw)
                           : "oggdec --quiet -R -b 16 -e 0 -s 1 -o " + Q(raw) + " " + Q(file);
    if (RunCommand(cmd + " 2>/dev/null") != 0) return {};
    return ReadRaw16AsSamples(raw);
}

}  // namespace

TEST(OggPeer, PeerFilesOpenWithThePeerDecodersSamples) {
    if (!HaveOggPeers()) GTEST_SKIP() << "vorbis-tools, opus-tools or sox not installed";
    struct Case {
        const char* name;
        bool opus;
        int rate, chans;
        const char* remix;
    };
    const Case cases[] = {
        {"v44", false, 44100, 2, ""},
        {"v22mono", false, 22050, 1, ""},
        {"o48", true, 48000, 2, ""},
        {"o44mono", true, 44100, 1, ""},  // opusenc resamples: the file is 48000 Hz
        // In the stream's own order (Vorbis: L C R Ls Rs LFE), as oggdec's
        // raw output keeps it.
        {"v6", false, 48000, 6, "remix -m 1v0.414214,2v0.292893,4v0.292893 3v0.414214,2v0.292893,5v0.292893"},
    };
    std::string dir = ScratchDir("oggin");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string wav = JoinPath(dir, std::string(c.name) + ".wav");
        std::string file = JoinPath(dir, std::string(c.name) + (c.opus ? ".opus" : ".ogg"));
        std::string synth = "sox -R -n -r " + std::to_string(c.rate) + " -b 16 -c " + std::to_string(c.chans) + " " +
                            Q(wav) + " synth 1.1 sine 440 sine 1250 pinknoise sine 60 whitenoise sine 3000 gain -9";  // no decoded channel past full scale
        ASSERT_EQ(RunCommand(synth + " 2>/dev/null"), 0);
        std::string enc = c.opus ? "opusenc --quiet --title Take --artist Ensemble " + Q(wav) + " " + Q(file)
                                 : "oggenc -Q -q 4 -t Take -a Ensemble -o " + Q(file) + " " + Q(wav);
        ASSERT_EQ(RunCommand(enc), 0) << enc;
        LOpenReport report;
        std::vector<int32_t> ours = OpenOgg(c.opus ? OpenOpusSource : OpenVorbis, file, report);
        std::vector<int32_t> peer;
        if (*c.remix) {
            std::string raw = file + ".raw";
            ASSERT_EQ(RunCommand("oggdec --quiet -R -b 16 -e 0 -s 1 -o " + Q(raw) + " " + Q(file)), 0);
            std::string back = file + ".wav";
            ASSERT_EQ(RunCommand("sox -t raw -r 48000 -e signed -b 16 -c 6 " + Q(raw) + " " + Q(back)), 0);
            std::vector<double> exact = SoxExact(back, c.remix);
            EXPECT_LE(MaxDistance(ours, exact), 2.0);
        } else {
            peer = PeerDecode(c.opus, file);
            ASSERT_FALSE(peer.empty());
            EXPECT_GE(MaxStep(ours, peer), 0) << ours.size() << " " << peer.size();
            EXPECT_LE(MaxStep(ours, peer), 2);
        }
        EXPECT_EQ(report.format.nChans, uint32_t(c.chans));
        EXPECT_EQ(report.nMixedFrom, c.chans > 2 ? uint32_t(c.chans) : 0u);
        EXPECT_EQ(report.tags.szTitle, "Take");
        EXPECT_EQ(report.tags.szArtist, "Ensemble");
        EXPECT_FALSE(report.bDamaged);
        // Seeking and reading gives what reading through gave: exactly for
        // Vorbis; for Opus, whose decoder starts again shortly before the
        // target and only converges on the state it had, closely.
        LSoundSourcePtr src = (c.opus ? OpenOpusSource : OpenVorbis)(file.c_str());
        EXPECT_EQ(src->nSampleRate, c.opus ? 48000 : c.rate);
        uint32_t ch = src->nChans;
        for (int32_t at : {20000, 777, 0}) {
            src->Seek(at);
            std::vector<int32_t> part(size_t(3000) * ch);
            src->Read(part.data(), 3000);
            std::vector<int32_t> through(ours.begin() + ptrdiff_t(at) * ch, ours.begin() + ptrdiff_t(at + 3000) * ch);
            if (!c.opus) {
                EXPECT_EQ(part, through) << at;
            } else {
                AudioMatch m = CompareAudio(through, part, ch, 0);
                EXPECT_GT(m.correlation, 0.98) << at;
                EXPECT_NEAR(m.levelDb, 0.0, 1.0) << at;
            }
        }
    }
}

TEST(OggPeer, FilesWeWriteDecodeWithThePeersToWhatWeWrote) {
    if (!HaveOggPeers()) GTEST_SKIP() << "vorbis-tools, opus-tools or sox not installed";
    std::string dir = ScratchDir("oggout");
    LAudioTags tags{"Take 2", "Ensemble", "Sessions", "first day"};
    struct Case {
        bool opus;
        uint32_t chans;
        int32_t rate;
        int32_t setting;  // Vorbis quality or Opus kbit/s
    };
    for (Case c : {Case{false, 2, 44100, 5}, Case{false, 1, 22050, 2}, Case{true, 2, 48000, 128}, Case{true, 1, 48000, 64}}) {
        SCOPED_TRACE(std::to_string(c.opus) + " " + std::to_string(c.chans));
        std::vector<int32_t> wrote = TestSignal(c.rate * 2, c.chans, c.rate);
        std::string file = JoinPath(dir, std::string("out") + std::to_string(c.chans) + (c.opus ? ".opus" : ".ogg"));
        LSoundSinkPtr sink = c.opus ? OpenOpusSink(file.c_str(), c.chans, c.setting, tags)
                                    : OpenVorbisSink(file.c_str(), c.rate, c.chans, c.setting, tags);
        ASSERT_TRUE(WriteAllTo(sink, wrote));
        for (bool bySox : {false, true}) {
            std::vector<int32_t> copy;
            if (bySox) {
                if (c.opus) continue;  // sox reads Ogg Vorbis; Opus through opusdec only
                ASSERT_EQ(RunCommand("sox " + Q(file) + " -t raw -e signed -b 16 " + Q(file + ".sox.raw")), 0);
                copy = ReadRaw16AsSamples(file + ".sox.raw");
            } else {
                copy = PeerDecode(c.opus, file);
            }
            ASSERT_EQ(copy.size(), wrote.size());
            AudioMatch m = CompareAudio(wrote, copy, c.chans, 64);
            EXPECT_EQ(m.lag, 0);
            EXPECT_NEAR(m.levelDb, 0.0, 0.5);
            EXPECT_GT(m.correlation, 0.99);
        }
        std::string listed = c.opus ? CommandOutput("opusinfo " + Q(file)) : CommandOutput("vorbiscomment -l " + Q(file));
        for (const char* t : {"TITLE=Take 2", "ARTIST=Ensemble", "ALBUM=Sessions", "COMMENT=first day"})
            EXPECT_NE(listed.find(t), std::string::npos) << t << " in " << listed;
        LOpenReport report;
        std::vector<int32_t> ours = OpenOgg(c.opus ? OpenOpusSource : OpenVorbis, file, report);
        EXPECT_EQ(ours.size(), wrote.size());
        EXPECT_EQ(report.tags, tags);
    }
}

TEST(OggPeer, DamagedFilesOpenAsFarAsTheyDecode) {
    if (!HaveOggPeers()) GTEST_SKIP() << "vorbis-tools, opus-tools or sox not installed";
    std::string dir = ScratchDir("oggbad");
    for (bool opus : {false, true}) {
        SCOPED_TRACE(opus);
        std::vector<int32_t> wrote = TestSignal(48000 * 3, 2, 48000);
        std::string file = JoinPath(dir, opus ? "whole.opus" : "whole.ogg");
        ASSERT_TRUE(WriteAllTo(opus ? OpenOpusSink(file.c_str(), 2, 96, LAudioTags())
                                    : OpenVorbisSink(file.c_str(), 48000, 2, 3, LAudioTags()),
                               wrote));
        std::vector<uint8_t> bytes = ReadBytes(file);
        Opener open = opus ? OpenOpusSource : OpenVorbis;
        // Cut short: the pages that are there open.
        std::string cut = JoinPath(dir, opus ? "cut.opus" : "cut.ogg");
        ASSERT_TRUE(WriteBytes(cut, std::vector<uint8_t>(bytes.begin(), bytes.begin() + ptrdiff_t(bytes.size() / 2))));
        LOpenReport report;
        std::vector<int32_t> part = OpenOgg(open, cut, report);
        // (An Opus page holds up to a second, a Vorbis page a few kilobytes.)
        EXPECT_GT(part.size(), wrote.size() / 4);
        EXPECT_LT(part.size(), wrote.size() * 2 / 3);
        // Pages overwritten in the middle: what comes after them still opens.
        std::string hit = JoinPath(dir, opus ? "hit.opus" : "hit.ogg");
        std::vector<uint8_t> damaged = bytes;
        for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 2000; ++i) damaged[i] = uint8_t(i * 37);
        ASSERT_TRUE(WriteBytes(hit, damaged));
        std::vector<int32_t> patched = OpenOgg(open, hit, report);
        EXPECT_TRUE(report.bDamaged);
        EXPECT_GT(patched.size(), wrote.size() / 2);
    }
}
