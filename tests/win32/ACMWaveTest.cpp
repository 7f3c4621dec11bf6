#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "formats/LWaveFile.h"
#include "formats/win32/LSRCACMWave.h"
#include "formats/win32/LWaveFileCompressed.h"
#include "support/LFile.h"
#include "support/TestUtil.h"
#include "win32/WinTestUtil.h"

using namespace sondrel;

namespace {
// The program installs the system-codec reader at start-up; so do the tests.
const bool kInstalled = (InstallCompressedWaveReader(), true);

std::string Fixture(const char* name) { return wintest::WinePath(std::string(SONDREL_FIXTURES_DIR "/") + name); }

// sox's 16-bit decode of a fixture, as internal samples.
std::vector<int32_t> PeerDecode(const char* raw) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(LFile::ReadAll(Fixture(raw).c_str(), bytes)) << raw;
    std::vector<int32_t> s(bytes.size() / 2);
    for (size_t i = 0; i < s.size(); ++i) s[i] = int32_t(int16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8))) * 16;
    return s;
}
}  // namespace

TEST(ACMWave, CodecFilesOpenWithThePeersSamples) {
    struct Case { const char* wav; const char* raw; uint32_t chans; int32_t rate; int32_t tolerance16; };
    // Tolerances in 16-bit steps: exact codecs 0; MS ADPCM rounds differently
    // in the system codec; 24-bit PCM is rounded rather than truncated.
    for (Case c : {Case{"ima_mono.wav", "ima_mono.raw", 1, 8000, 0}, Case{"ima_stereo.wav", "ima_stereo.raw", 2, 8000, 0},
                   Case{"ulaw.wav", "ulaw.raw", 1, 8000, 0}, Case{"alaw.wav", "alaw.raw", 2, 8000, 0},
                   Case{"gsm610.wav", "gsm610.raw", 1, 8000, 0}, Case{"msadpcm.wav", "msadpcm.raw", 1, 8000, 80},
                   Case{"pcm24.wav", "pcm24.raw", 2, 44100, 1}}) {
        SCOPED_TRACE(c.wav);
        LSoundSourcePtr src = LWaveFile::OpenSource(Fixture(c.wav).c_str());
        ASSERT_FALSE(src->HasError());
        EXPECT_EQ(src->nChans, c.chans);
        EXPECT_EQ(src->nSampleRate, c.rate);
        EXPECT_EQ(src->iPeakBound, kMax16);
        std::vector<int32_t> want = PeerDecode(c.raw);
        std::vector<int32_t> got = test::ReadAll(*src, 3000);
        // The length is exact once the end has been met.
        EXPECT_EQ(src->GetLength(), int32_t(got.size() / c.chans));
        ASSERT_GE(got.size(), want.size() - std::min<size_t>(want.size(), 2048 * c.chans));
        size_t n = std::min(got.size(), want.size());
        int32_t worst = 0;
        for (size_t i = 0; i < n; ++i) worst = std::max(worst, std::abs(got[i] - want[i]) / 16);
        EXPECT_LE(worst, c.tolerance16);
        // Past the end: zeros.
        std::vector<int32_t> tail(100 * c.chans, 7);
        src->Read(tail.data(), 100);
        EXPECT_EQ(tail, std::vector<int32_t>(100 * c.chans, 0));
    }
}

TEST(ACMWave, SeekThenReadMatchesReadingFromTheStart) {
    // Codecs whose blocks decode independently; a GSM decoder carries its
    // predictor state from frame to frame, so a seek there is approximate.
    for (const char* name : {"ima_stereo.wav", "ima_mono.wav", "msadpcm.wav", "ulaw.wav", "pcm24.wav"}) {
        SCOPED_TRACE(name);
        LSoundSourcePtr whole = LWaveFile::OpenSource(Fixture(name).c_str());
        ASSERT_FALSE(whole->HasError());
        std::vector<int32_t> all = test::ReadAll(*whole, 4096);
        const size_t ch = whole->nChans;
        for (int32_t p : {0, 1, 505, 4000, 9000}) {
            LSoundSourcePtr s = LWaveFile::OpenSource(Fixture(name).c_str());
            s->Seek(p);
            EXPECT_EQ(s->GetPosition(), p);
            std::vector<int32_t> part(300 * ch);
            s->Read(part.data(), 300);
            for (size_t i = 0; i < part.size() && p * ch + i < all.size(); ++i)
                ASSERT_EQ(part[i], all[p * ch + i]) << "seek " << p << " sample " << i;
        }
        // Negative positions read zeros and then the first frames.
        LSoundSourcePtr s = LWaveFile::OpenSource(Fixture(name).c_str());
        s->Seek(-10);
        std::vector<int32_t> lead(20 * ch);
        s->Read(lead.data(), 20);
        for (size_t i = 0; i < 10 * ch; ++i) ASSERT_EQ(lead[i], 0);
        for (size_t i = 0; i < 10 * ch; ++i) ASSERT_EQ(lead[10 * ch + i], all[i]);
    }
}

TEST(ACMWave, UnknownFormatFailsCleanlyAndExtensiblePcmIsMapped) {
    LSoundSourcePtr src = LWaveFile::OpenSource(Fixture("unknown_tag.wav").c_str());
    EXPECT_TRUE(src->HasError());
    std::vector<int32_t> buf(64, 5);
    src->Read(buf.data(), 64 / src->nChans);
    EXPECT_EQ(buf, std::vector<int32_t>(64, 0));

    uint8_t ext[40] = {0xFE, 0xFF, 2, 0, 0x44, 0xAC, 0, 0, 0x98, 0x09, 0x04, 0, 6, 0, 24, 0, 22, 0, 24, 0,
                       3, 0, 0, 0, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA,
                       0x00, 0x38, 0x9B, 0x71};
    std::vector<uint8_t> f = LSRCACMWave::CodecFormat(ext, sizeof ext);
    ASSERT_EQ(f.size(), sizeof(WAVEFORMATEX));
    auto* w = reinterpret_cast<const WAVEFORMATEX*>(f.data());
    EXPECT_EQ(w->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(w->nChannels, 2);
    EXPECT_EQ(w->wBitsPerSample, 24);
    EXPECT_EQ(w->nBlockAlign, 6);
    EXPECT_EQ(w->cbSize, 0);
}
