#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "formats/mp3/MP3Kernels.h"
#include "formats/mp3/MP3TestUtil.h"
#include "support/LFile.h"

using namespace sondrel;
using namespace sondrel::test;

namespace {

std::vector<const MP3Kernels*> WiderForms() {
    std::vector<const MP3Kernels*> k;
    for (MP3KernelLevel l : {MP3KernelLevel::kSSE2, MP3KernelLevel::kAVX2})
        if (const MP3Kernels* p = MP3KernelsOf(l)) k.push_back(p);
    return k;
}

}  // namespace

// Each wider form gives the plain form's floats bit for bit, on values of
// every magnitude a damaged stream can bring (also past the sample limit).
TEST(MP3Kernels, WiderFormsGiveThePlainResultsBitForBit) {
    const MP3LT& lt = InitTables();
    const MP3Kernels& plain = *MP3KernelsOf(MP3KernelLevel::kPlain);
    std::vector<const MP3Kernels*> forms = WiderForms();
#if defined(__SSE2__)
    ASSERT_FALSE(forms.empty()) << "SSE2 is the base of every x86 build";
#endif
    std::mt19937 rng(7);
    for (float scale : {1.0f, 3000.0f, 1.0e6f, 3.0e7f}) {
        std::uniform_real_distribution<float> u(-scale, scale);
        alignas(32) float in[32 * kMP3SlotStride] = {};
        for (int k = 0; k < 32; ++k)
            for (int t = 0; t < kMP3Slots; ++t) in[k * kMP3SlotStride + t] = u(rng);
        float window[2048];
        for (float& v : window) v = u(rng);
        float imdctIn[18];
        for (float& v : imdctIn) v = u(rng);

        alignas(32) float dctWant[32 * kMP3SlotStride] = {};
        plain.Dct32Slots(lt, in, dctWant);
        int32_t winWant[64];
        plain.Window(window + 100, lt.synthWindow, winWant, 2);
        float imdctWant[20];
        plain.ImdctLong(lt.imdctLong, imdctIn, imdctWant);
        for (const MP3Kernels* k : forms) {
            SCOPED_TRACE(k->szName);
            alignas(32) float dct[32 * kMP3SlotStride] = {};
            k->Dct32Slots(lt, in, dct);
            for (int m = 0; m < 32; ++m)
                EXPECT_EQ(std::memcmp(dct + m * kMP3SlotStride, dctWant + m * kMP3SlotStride, kMP3Slots * sizeof(float)), 0)
                    << "output " << m << " at scale " << scale;
            int32_t win[64];
            k->Window(window + 100, lt.synthWindow, win, 2);
            for (int j = 0; j < 32; ++j) EXPECT_EQ(win[2 * j], winWant[2 * j]) << "sample " << j << " at scale " << scale;
            float imdct[20];
            k->ImdctLong(lt.imdctLong, imdctIn, imdct);
            EXPECT_EQ(std::memcmp(imdct, imdctWant, 18 * sizeof(float)), 0) << "at scale " << scale;
        }
    }
}

// Whole files through every form: long, short and mixed blocks, mono and
// joint stereo, the same samples.
TEST(MP3Kernels, FilesDecodeTheSameWithEveryForm) {
    if (!HavePeer("lame")) GTEST_SKIP() << "lame is not installed";
    std::vector<const MP3Kernels*> forms = WiderForms();
    if (forms.empty()) GTEST_SKIP() << "no wider form in this build";
    std::string dir = ScratchDir("mp3kernels");
    struct Case {
        Signal signal;
        int32_t rate, chans;
        const char* options;
    };
    for (const Case& c : {Case{Signal::kTransients, 44100, 2, "-b 128 -m j"}, Case{Signal::kMix, 22050, 1, "-b 48"},
                          Case{Signal::kNoise, 44100, 2, "-V 2"}}) {
        std::string wav = JoinPath(dir, "in.wav"), mp3 = JoinPath(dir, "in.mp3");
        std::vector<int16_t> pcm = MakeSignal(c.signal, c.rate, c.chans, 2.0, 11);
        ASSERT_TRUE(WriteWav16(wav, pcm, c.rate, c.chans));
        ASSERT_TRUE(LameEncode(wav, mp3, c.options));
        MP3SetDefaultKernels(MP3KernelsOf(MP3KernelLevel::kPlain));
        std::vector<int32_t> want = DecodeFile(mp3);
        ASSERT_GT(want.size(), size_t(c.rate));
        for (const MP3Kernels* k : forms) {
            SCOPED_TRACE(std::string(k->szName) + " " + c.options);
            MP3SetDefaultKernels(k);
            EXPECT_TRUE(DecodeFile(mp3) == want);
        }
        MP3SetDefaultKernels(nullptr);
    }
}
