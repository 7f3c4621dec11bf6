// FLAC files exchanged with the flac program: files it makes open with the
// samples its own decoder gives (exactly at 16 bits and less, within one and
// a half steps when wider: a step of dither, then rounding; mixed down like sox's remix past two
// channels); files we write decode with flac to exactly what we wrote, tags
// included. Damaged files open as far as they decode and say so.
#include <gtest/gtest.h>

#include "formats/CodecPeerUtil.h"
#include "formats/LOpenReport.h"
#include "formats/LWaveFile.h"
#include "formats/flac/LFLACFile.h"
#include "support/LFailure.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

std::vector<int32_t> OpenFlac(const std::string& path, LOpenReport& report) {
    ResetOpenReport(path);
    LSoundSourcePtr src = OpenFLACSource(path.c_str());
    EXPECT_FALSE(src->HasError()) << path;
    std::vector<int32_t> all = Drain(*src);
    report = OpenReport();
    return all;
}

bool HaveFlacPeers() { return HavePeer("flac") && HavePeer("sox") && HavePeer("metaflac"); }

}  // namespace

TEST(FlacPeer, FlacFilesOpenWithFlacsOwnSamples) {
    if (!HaveFlacPeers()) GTEST_SKIP() << "flac or sox not installed";
    struct Case {
        const char* name;
        int rate, chans, bits;
        const char* remix;
    };
    const Case cases[] = {
        {"s16", 44100, 2, 16, ""},
        {"s8", 8000, 1, 8, ""},
        {"s24", 96000, 2, 24, ""},
        {"s16x6", 48000, 6, 16, "remix -m 1v0.414214,3v0.292893,5v0.292893 2v0.414214,3v0.292893,6v0.292893"},
    };
    std::string dir = ScratchDir("flacin");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string wav = JoinPath(dir, std::string(c.name) + ".wav"), flac = JoinPath(dir, std::string(c.name) + ".flac");
        std::string synth = "sox -R -n -r " + std::to_string(c.rate) + " -b " + std::to_string(c.bits) + " -c " +
                            std::to_string(c.chans) + " " + Q(wav) +
                            " synth 0.8 sine 440 sine 1250 pinknoise sine 60 whitenoise sine 3000 gain -2 2>/dev/null";
        ASSERT_EQ(RunCommand(synth), 0);
        ASSERT_EQ(RunCommand("flac -s -f -T TITLE=Take -T ARTIST=Ensemble -o " + Q(flac) + " " + Q(wav)), 0);
        // flac's own decode is the oracle.
        std::string back = JoinPath(dir, std::string(c.name) + "-flac.wav");
        ASSERT_EQ(RunCommand("flac -s -f -d -o " + Q(back) + " " + Q(flac)), 0);
        std::vector<double> exact = SoxExact(back, c.remix);
        LOpenReport report;
        std::vector<int32_t> ours = OpenFlac(flac, report);
        if (c.bits <= 16 && c.chans <= 2) {
            ASSERT_EQ(ours.size(), exact.size());
            EXPECT_EQ(MaxDistance(ours, exact), 0.0);
        } else {
            EXPECT_LT(MaxDistance(ours, exact), 1.5);
        }
        EXPECT_EQ(report.format.nBits, uint32_t(c.bits));
        EXPECT_EQ(report.format.nChans, uint32_t(c.chans));
        EXPECT_EQ(report.nMixedFrom, c.chans > 2 ? uint32_t(c.chans) : 0u);
        EXPECT_FALSE(report.bDamaged);
        EXPECT_EQ(report.tags.szTitle, "Take");
        EXPECT_EQ(report.tags.szArtist, "Ensemble");
        // A read after a seek gives the same samples as reading through.
        LSoundSourcePtr src = OpenFLACSource(flac.c_str());
        uint32_t ch = src->nChans;
        const int32_t frames = int32_t(ours.size() / ch);
        for (int32_t at : {frames / 2 + 17, 100, frames - 1000, 0}) {
            src->Seek(at);
            std::vector<int32_t> part(size_t(1000) * ch);
            src->Read(part.data(), 1000);
            EXPECT_TRUE(std::equal(part.begin(), part.end(), ours.begin() + ptrdiff_t(at) * ch)) << at;
        }
    }
}

TEST(FlacPeer, FilesWeWriteDecodeWithFlacToWhatWeWrote) {
    if (!HaveFlacPeers()) GTEST_SKIP() << "flac or sox not installed";
    std::string dir = ScratchDir("flacout");
    struct Case {
        uint32_t chans;
        int32_t rate, level;
    };
    for (Case c : {Case{2, 44100, 5}, Case{1, 22050, 0}, Case{2, 48000, 8}}) {
        SCOPED_TRACE(c.level);
        std::vector<int32_t> wrote = TestSignal(c.rate * 3 / 2, c.chans, c.rate);
        std::string flac = JoinPath(dir, "out" + std::to_string(c.level) + ".flac");
        LAudioTags tags{"Überschrift", "Band", "Album = one", "a comment"};
        ASSERT_TRUE(WriteAllTo(OpenFLACSink(flac.c_str(), c.rate, c.chans, c.level, tags), wrote));
        std::string raw = flac + ".raw";
        ASSERT_EQ(RunCommand("flac -s -f -d --force-raw-format --endian=little --sign=signed -o " + Q(raw) + " " +
                             Q(flac)),
                  0);
        EXPECT_EQ(ReadRaw16AsSamples(raw), wrote);
        EXPECT_EQ(CommandOutput("metaflac --show-sample-rate --show-channels --show-bps " + Q(flac)),
                  std::to_string(c.rate) + "\n" + std::to_string(c.chans) + "\n16\n");
        EXPECT_EQ(CommandOutput("metaflac --export-tags-to=- " + Q(flac)),
                  "TITLE=Überschrift\nARTIST=Band\nALBUM=Album = one\nCOMMENT=a comment\n");
        // And our reader takes the tags back.
        LOpenReport report;
        EXPECT_EQ(OpenFlac(flac, report), wrote);
        EXPECT_EQ(report.tags, tags);
    }
}

TEST(FlacPeer, DamagedFilesOpenAsFarAsTheyDecode) {
    if (!HaveFlacPeers()) GTEST_SKIP() << "flac or sox not installed";
    std::string dir = ScratchDir("flacbad");
    std::string flac = JoinPath(dir, "whole.flac");
    std::vector<int32_t> wrote = TestSignal(44100 * 2, 2, 44100);
    ASSERT_TRUE(WriteAllTo(OpenFLACSink(flac.c_str(), 44100, 2, 5, LAudioTags()), wrote));
    std::vector<uint8_t> bytes = ReadBytes(flac);

    // Cut short: what is there opens, and the open says it is incomplete.
    std::string cut = JoinPath(dir, "cut.flac");
    ASSERT_TRUE(WriteBytes(cut, std::vector<uint8_t>(bytes.begin(), bytes.begin() + ptrdiff_t(bytes.size() * 6 / 10))));
    LOpenReport report;
    std::vector<int32_t> part = OpenFlac(cut, report);
    EXPECT_TRUE(report.bDamaged);
    ASSERT_GT(part.size(), wrote.size() / 2);
    ASSERT_LT(part.size(), wrote.size());
    EXPECT_TRUE(std::equal(part.begin(), part.begin() + ptrdiff_t(wrote.size() / 2), wrote.begin()));

    // Bytes overwritten in the middle: the frames around them decode, the
    // lost ones keep their time as silence, the length stays.
    std::string hit = JoinPath(dir, "hit.flac");
    std::vector<uint8_t> damaged = bytes;
    for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 300; ++i) damaged[i] = uint8_t(i * 37);
    ASSERT_TRUE(WriteBytes(hit, damaged));
    std::vector<int32_t> patched = OpenFlac(hit, report);
    EXPECT_TRUE(report.bDamaged);
    EXPECT_EQ(patched.size(), wrote.size());
    EXPECT_TRUE(std::equal(patched.begin(), patched.begin() + ptrdiff_t(wrote.size() / 3), wrote.begin()));
    EXPECT_TRUE(std::equal(patched.end() - ptrdiff_t(wrote.size() / 3), patched.end(), wrote.end() - ptrdiff_t(wrote.size() / 3)));

    // Not FLAC at all: the open fails and says why.
    std::string junk = JoinPath(dir, "junk.flac");
    ASSERT_TRUE(WriteBytes(junk, std::vector<uint8_t>(1000, 0x5A)));
    ClearFailure();
    EXPECT_TRUE(OpenFLACSource(junk.c_str())->HasError());
    EXPECT_EQ(FailureText(LastFailure()), "it is not a readable FLAC file");
}
