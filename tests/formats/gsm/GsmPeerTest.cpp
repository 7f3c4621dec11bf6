// The GSM codec against toast/untoast (libgsm), the reference implementation
// of the standard. Our front end (DC blocker and pre-emphasis on the internal
// scale, adaptive autocorrelation scale) and back end (de-emphasis without
// 13-bit truncation) differ from the standard's on purpose, so the checks are
// in two layers: with the standard's own front and back ends supplied here,
// the analysis and synthesis in between must agree bit for bit; through our
// ends, levels and quality must match the peer's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "formats/gsm/LGSMFile.h"
#include "formats/GsmVoxUtil.h"
#include "support/LFile.h"
#include "support/TestUtil.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

int16_t Sat16(int32_t a) { return int16_t(a > 32767 ? 32767 : a < -32768 ? -32768 : a); }
int16_t MultR(int16_t a, int16_t b) {
    return (a == -32768 && b == -32768) ? 32767 : int16_t((int32_t(a) * b + 16384) >> 15);
}

// The standard's encoder front end: down-scaling to 13 bits, offset
// compensation (pole 32735/32768, 31 x 16-bit recursion), pre-emphasis by
// 28180/32768, and the autocorrelation on a copy of s scaled to avoid
// overflow, after which s keeps the precision lost by that scaling.
struct StandardFront {
    int16_t z1 = 0;
    int32_t L_z2 = 0;
    int16_t mp = 0;

    void Run(const int16_t* in, int16_t* s, int32_t* acf) {
        for (int k = 0; k < 160; ++k) {
            const int16_t so = int16_t((in[k] >> 3) << 2);
            const int16_t s1 = int16_t(so - z1);
            z1 = so;
            int32_t L_s2 = int32_t(s1) << 15;
            const int16_t msp = int16_t(L_z2 >> 15);
            const int16_t lsp = int16_t(L_z2 - (int32_t(msp) << 15));
            L_s2 += MultR(lsp, 32735);
            const int64_t z2 = int64_t(msp) * 32735 + L_s2;
            L_z2 = int32_t(z2 > INT32_MAX ? INT32_MAX : z2 < INT32_MIN ? INT32_MIN : z2);
            const int64_t r = (int64_t(L_z2) + 16384) >> 15;
            const int16_t sof = Sat16(int32_t(r));
            s[k] = Sat16(sof + MultR(mp, -28180));
            mp = sof;
        }
        int16_t smax = 0;
        for (int k = 0; k < 160; ++k) {
            const int16_t a = s[k] == -32768 ? 32767 : int16_t(std::abs(s[k]));
            smax = std::max(smax, a);
        }
        int scalauto = 0;
        if (smax != 0) scalauto = 4 - (__builtin_clz(uint32_t(smax) << 16) - 1);
        if (scalauto > 0) {
            const int16_t f = int16_t(16384 >> (scalauto - 1));
            for (int k = 0; k < 160; ++k) s[k] = MultR(s[k], f);
        }
        for (int k = 0; k <= 8; ++k) {
            int32_t sum = 0;
            for (int i = k; i < 160; ++i) sum += int32_t(s[i]) * s[i - k] * 2;
            acf[k] = sum;
        }
        if (scalauto > 0)
            for (int k = 0; k < 160; ++k) s[k] = int16_t(s[k] << scalauto);
    }
};

// The standard's decoder back end: de-emphasis by 28180/32768 with a
// saturating 16-bit memory, up-scaling and truncation to 13 bits.
struct StandardBack {
    int16_t msr = 0;
    void Run(const int16_t* sr, int16_t* out) {
        for (int k = 0; k < 160; ++k) {
            msr = Sat16(sr[k] + MultR(msr, 28180));
            out[k] = int16_t(Sat16(msr + msr) & 0xFFF8);
        }
    }
};

struct PeerFiles {
    std::string dir;
    std::vector<int16_t> input;
    std::string raw, toastGsm;
};

PeerFiles MakeToastFile(const char* tag, int32_t samples, uint32_t seed) {
    PeerFiles p;
    p.dir = ScratchDir(tag);
    p.input = SpeechLike(samples, seed);
    p.raw = p.dir + "/in.raw";
    p.toastGsm = p.dir + "/toast.gsm";
    EXPECT_TRUE(WriteRaw16(p.raw, p.input));
    EXPECT_EQ(RunCommand("toast -l -c '" + p.raw + "' > '" + p.toastGsm + "'"), 0);
    return p;
}

std::vector<int16_t> Untoast(const std::string& gsm, const std::string& out) {
    EXPECT_EQ(RunCommand("untoast -l -c '" + gsm + "' > '" + out + "'"), 0);
    return ReadRaw16(out);
}

#define REQUIRE_PEERS()                                                      \
    if (!HavePeer("toast") || !HavePeer("untoast")) GTEST_SKIP() << "toast/untoast not available"

}  // namespace

TEST(GsmPeer, AnalysisAndSynthesisAgreeBitForBitWithTheStandardsEnds) {
    REQUIRE_PEERS();
    // 30 s of speech-like input at several levels, from quiet to clipping.
    std::vector<int16_t> input;
    for (double peak : {300.0, 4000.0, 16000.0, 32767.0}) {
        auto part = SpeechLike(8000 * 6, Seed() + uint32_t(peak), peak);
        input.insert(input.end(), part.begin(), part.end());
    }
    auto silence = std::vector<int16_t>(8000, 0);
    input.insert(input.end(), silence.begin(), silence.end());
    input.resize(input.size() / 160 * 160);
    const std::string dir = ScratchDir("gsm-core");
    ASSERT_TRUE(WriteRaw16(dir + "/in.raw", input));
    ASSERT_EQ(RunCommand("toast -l -c '" + dir + "/in.raw' > '" + dir + "/t.gsm'"), 0);
    const auto toastFrames = ReadBytes(dir + "/t.gsm");
    const size_t frames = input.size() / 160;
    ASSERT_EQ(toastFrames.size(), frames * kGSMFrameBytes);

    LGSMFrame enc;
    StandardFront front;
    size_t same = 0;
    size_t firstDiff = frames;
    for (size_t f = 0; f < frames; ++f) {
        int16_t s[160];
        int32_t acf[9];
        uint8_t frame[kGSMFrameBytes];
        front.Run(input.data() + f * 160, s, acf);
        enc.EncodeAnalysed(s, acf, frame);
        if (std::memcmp(frame, toastFrames.data() + f * kGSMFrameBytes, kGSMFrameBytes) == 0)
            ++same;
        else if (firstDiff == frames)
            firstDiff = f;
    }
    std::printf("[ figure ] analysis with the standard's front end: %zu of %zu frames identical to toast\n",
                same, frames);
    EXPECT_EQ(same, frames) << "first differing frame " << firstDiff << " (seed " << Seed() << ")";

    // Decoding toast's frames: our synthesis plus the standard's back end is untoast.
    const auto peer = Untoast(dir + "/t.gsm", dir + "/t.raw");
    ASSERT_EQ(peer.size(), frames * 160);
    LGSMFrame dec;
    StandardBack back;
    size_t mismatched = 0;
    for (size_t f = 0; f < frames; ++f) {
        int16_t sr[160], out[160];
        dec.DecodeSpeech(toastFrames.data() + f * kGSMFrameBytes, sr);
        back.Run(sr, out);
        for (int k = 0; k < 160; ++k) mismatched += out[k] != peer[f * 160 + k];
    }
    EXPECT_EQ(mismatched, 0u);
}

TEST(GsmPeer, FullEncoderAgainstToast) {
    REQUIRE_PEERS();
    PeerFiles p = MakeToastFile("gsm-enc", 8000 * 20, Seed());
    // toast reads 13 significant bits: give both encoders the same 13-bit input.
    std::vector<int16_t> in13 = p.input;
    for (auto& v : in13) v = int16_t(v & ~7);
    ASSERT_TRUE(WriteRaw16(p.raw, in13));
    ASSERT_EQ(RunCommand("toast -l -c '" + p.raw + "' > '" + p.toastGsm + "'"), 0);
    const auto toastFrames = ReadBytes(p.toastGsm);
    const size_t frames = in13.size() / 160;
    ASSERT_EQ(toastFrames.size(), frames * kGSMFrameBytes);

    {
        LSoundSinkPtr sink = OpenGSMSink((p.dir + "/ours.gsm").c_str());
        auto x = ToInternal(in13);
        for (size_t i = 0; i < x.size(); i += 8192) sink->Write(x.data() + i, int32_t(std::min<size_t>(8192, x.size() - i)));
    }
    const auto ours = ReadBytes(p.dir + "/ours.gsm");
    ASSERT_EQ(ours.size(), toastFrames.size());
    // Where the two front ends part: the 16-bit signal s each hands to the analysis.
    {
        LGSMFrame pre;
        StandardFront front;
        const auto x = ToInternal(in13);
        size_t equal = 0;
        int maxDelta = 0;
        for (size_t f = 0; f < frames; ++f) {
            int16_t a[160], b[160];
            int32_t acf[9];
            pre.Preprocess(x.data() + f * 160, a);
            front.Run(in13.data() + f * 160, b, acf);
            for (int k = 0; k < 160; ++k) {
                equal += a[k] == b[k];
                maxDelta = std::max(maxDelta, std::abs(a[k] - b[k]));
            }
        }
        std::printf("[ figure ] front ends: s equal in %.1f %% of samples, largest difference %d\n",
                    100.0 * double(equal) / double(frames * 160), maxDelta);
    }
    size_t same = 0, sameLAR = 0;
    for (size_t f = 0; f < frames; ++f) {
        const uint8_t* a = ours.data() + f * kGSMFrameBytes;
        const uint8_t* b = toastFrames.data() + f * kGSMFrameBytes;
        same += std::memcmp(a, b, kGSMFrameBytes) == 0;
        int16_t fa[kGSMFields], fb[kGSMFields];
        UnpackGSMFrame(a, fa);
        UnpackGSMFrame(b, fb);
        sameLAR += std::memcmp(fa + kGSMFieldLARc, fb + kGSMFieldLARc, 8 * sizeof(int16_t)) == 0;
    }
    // Both files decoded by untoast: ours must be as faithful to the input as toast's.
    const auto decOurs = Untoast(p.dir + "/ours.gsm", p.dir + "/ours.raw");
    const auto decToast = Untoast(p.toastGsm, p.dir + "/toast.raw");
    const double snrOurs = SnrDb(AsDouble(in13), AsDouble(decOurs));
    const double snrToast = SnrDb(AsDouble(in13), AsDouble(decToast));
    std::printf("[ figure ] full encoder: %zu of %zu frames identical to toast, LARc equal in %zu;"
                " untoast SNR ours %.2f dB, toast %.2f dB\n",
                same, frames, sameLAR, snrOurs, snrToast);
    EXPECT_GT(sameLAR, frames / 2);
    EXPECT_GT(snrOurs, snrToast - 1.0);
    EXPECT_NEAR(Rms(AsDouble(decOurs)) / Rms(AsDouble(in13)), 1.0, 0.1);
}

TEST(GsmPeer, ToastFileOpensAtUntoastsLevel) {
    REQUIRE_PEERS();
    PeerFiles p = MakeToastFile("gsm-open", 8000 * 20, Seed());
    const auto peer = Untoast(p.toastGsm, p.dir + "/peer.raw");
    LSoundSourcePtr src = OpenGSMSource(p.toastGsm.c_str());
    ASSERT_FALSE(src->HasError());
    ASSERT_EQ(size_t(src->GetLength()), peer.size());
    const auto ours = ReadAll(*src);
    double maxDiff = 0.0;
    int32_t peak = 0;
    for (size_t i = 0; i < ours.size(); ++i) {
        maxDiff = std::max(maxDiff, std::fabs(ours[i] / 16.0 - peer[i]));
        peak = std::max(peak, std::abs(ours[i]));
    }
    const auto a = AsDouble(ours, 1.0 / 16.0), b = AsDouble(peer);
    const double ratio = Rms(a) / Rms(b);
    const double snr = SnrDb(b, a);
    std::printf("[ figure ] toast file opened: level ratio ours/untoast %.4f (%.3f dB), max diff %.1f"
                " (16-bit units), agreement %.1f dB\n",
                ratio, 20 * std::log10(ratio), maxDiff, snr);
    EXPECT_NEAR(ratio, 1.0, 0.01);
    EXPECT_GT(snr, 35.0);
    EXPECT_LE(peak, kGSMPeakBound);
}

TEST(GsmPeer, OurFileDecodesWithUntoastLikeToastsOwn) {
    REQUIRE_PEERS();
    PeerFiles p = MakeToastFile("gsm-write", 8000 * 20 + 77, Seed());  // ends in a partial frame
    {
        LSoundSinkPtr sink = OpenGSMSink((p.dir + "/ours.gsm").c_str());
        ASSERT_FALSE(sink->HasError());
        auto x = ToInternal(p.input);
        for (size_t i = 0; i < x.size(); i += 5000) sink->Write(x.data() + i, int32_t(std::min<size_t>(5000, x.size() - i)));
    }
    const auto peer = Untoast(p.dir + "/ours.gsm", p.dir + "/ours.raw");
    ASSERT_EQ(peer.size(), (p.input.size() + 159) / 160 * 160);
    const auto viaToast = Untoast(p.toastGsm, p.dir + "/toast.raw");
    const auto in = AsDouble(p.input);
    const double snr = SnrDb(in, AsDouble(peer)), snrToast = SnrDb(in, AsDouble(viaToast));
    const double ratio = Rms(AsDouble(peer)) / Rms(in), ratioToast = Rms(AsDouble(viaToast)) / Rms(in);
    std::printf("[ figure ] our file through untoast: SNR %.2f dB vs input (toast's file %.2f dB),"
                " level ratio %.4f (toast's file %.4f)\n",
                snr, snrToast, ratio, ratioToast);
    EXPECT_GT(snr, 6.0);
    EXPECT_GT(snr, snrToast - 0.5);
    EXPECT_NEAR(ratio / ratioToast, 1.0, 0.02);
}
