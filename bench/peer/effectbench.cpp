// effectbench EFFECT RATE CHANNELS IN.raw OUT.raw [PARAMETERS...]
// Reads signed 16-bit little-endian PCM, runs it through one effect source
// and writes the result as 16-bit PCM (clipped to 16 bits), streaming in
// 8192-frame blocks. Effects and their parameters:
//   echo [gain% (50)] [time ms (800)]
//   reverb [level (100)] [time ms (50)]
//   highpass [filter frequency Hz (500)]
//   eq [kernel: best|portable|sse2|avx2|avx512|avx512vnni|reference (best)]
// The equaliser uses a fixed curve with a cut and two boosts.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/peer/RawPcm.h"
#include "core/LSample.h"
#include "effects/LEchoReverb.h"
#include "effects/LEqualiser.h"
#include "effects/LHighPass.h"
#include "support/LFile.h"

using namespace sondrel;
using bench::RawSource;

namespace {
int Usage() {
    std::fprintf(stderr, "usage: effectbench echo|reverb|highpass|eq RATE CHANNELS IN.raw OUT.raw [PARAMETERS...]\n");
    return 2;
}

int32_t Arg(int argc, char** argv, int i, int32_t def) { return i < argc ? int32_t(std::atol(argv[i])) : def; }
}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) return Usage();
    std::string effect = argv[1];
    int32_t rate = std::atoi(argv[2]);
    uint32_t chans = uint32_t(std::atoi(argv[3]));
    LSoundSourcePtr in(new RawSource(argv[4], rate, chans));
    if (in->HasError()) {
        std::fprintf(stderr, "cannot read %s\n", argv[4]);
        return 1;
    }
    LSoundSourcePtr src;
    if (effect == "echo") {
        src = LSPEcho(Arg(argc, argv, 7, 800), Arg(argc, argv, 6, 50)).OpenSource(in);
    } else if (effect == "reverb") {
        src = LSPReverb(Arg(argc, argv, 6, 100), Arg(argc, argv, 7, 50)).OpenSource(in);
    } else if (effect == "highpass") {
        src = LSPHighPass(Arg(argc, argv, 6, 500)).OpenSource(in);
    } else if (effect == "eq") {
        std::string k = argc > 6 ? argv[6] : "best";
        LFirKernel kind = LFirKernel::kBest;
        bool reference = k == "reference";
        for (LFirKernel c : {LFirKernel::kPortable, LFirKernel::kSSE2, LFirKernel::kAVX2, LFirKernel::kAVX512,
                             LFirKernel::kAVX512VNNI})
            if (k == FirKernelName(c)) kind = c;
        if (!reference && kind != LFirKernel::kBest && !FirKernel(kind)) {
            std::fprintf(stderr, "kernel %s is not available here\n", k.c_str());
            return 1;
        }
        PointList curve;
        curve.Set({{0, 200}, {20, 128}, {60, 30}, {64, 200}, {150, 100}, {255, 128}});
        src = MakeSource<LSRCEq>(in, CreateEqFromPointList(curve, rate), kind, reference);
    } else {
        return Usage();
    }

    LFile out;
    if (!out.Open(argv[5], LFile::kCreate)) {
        std::fprintf(stderr, "cannot write %s\n", argv[5]);
        return 1;
    }
    std::vector<int32_t> block(size_t(kMaxBlockFrames) * chans);
    std::vector<int16_t> pcm(block.size());
    const int32_t length = src->GetLength();
    for (int32_t done = 0; done < length;) {
        int32_t n = std::min(kMaxBlockFrames, length - done);
        src->Read(block.data(), n);
        size_t count = size_t(n) * chans;
        for (size_t i = 0; i < count; ++i) block[i] = std::clamp(block[i], -524288, kMax16);
        ConvertToPCM16(block.data(), pcm.data(), int32_t(count));
        if (out.Write(pcm.data(), uint32_t(count * 2)) != count * 2) {
            std::fprintf(stderr, "write failed\n");
            return 1;
        }
        done += n;
    }
    return 0;
}
