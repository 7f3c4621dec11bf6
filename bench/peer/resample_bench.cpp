// Converts raw 16-bit little-endian PCM from one rate to another through
// LSRCConvertRate, streaming block by block, and reports the time it took:
//   resample_bench in.raw out.raw rate_in rate_out channels
// Output samples are clamped to 16 bits on the way out.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/LSRCConvertRate.h"
#include "bench/peer/RawPcm.h"
#include "support/LFile.h"

using namespace sondrel;
using bench::RawSource;

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s in.raw out.raw rate_in rate_out channels\n", argv[0]);
        return 2;
    }
    const int32_t rin = std::atoi(argv[3]), rout = std::atoi(argv[4]);
    const uint32_t chans = uint32_t(std::atoi(argv[5]));
    auto t0 = std::chrono::steady_clock::now();
    LSoundSourcePtr src(new RawSource(argv[1], rin, chans));
    LFile out;
    if (src->HasError() || !out.Open(argv[2], LFile::kCreate)) {
        std::fprintf(stderr, "cannot open %s or %s\n", argv[1], argv[2]);
        return 1;
    }
    src = LSPConvRate(rout).OpenSource(src);
    std::vector<int32_t> block(size_t(kMaxBlockFrames) * chans);
    std::vector<int16_t> pcm(block.size());
    for (int32_t left = src->GetLength(); left > 0;) {
        int32_t n = std::min(left, kMaxBlockFrames);
        src->Read(block.data(), n);
        for (size_t i = 0; i < size_t(n) * chans; ++i)
            pcm[i] = ToPCM16(std::clamp(block[i], -kFullScale, kMax16));
        out.Write(pcm.data(), uint32_t(size_t(n) * chans * 2));
        left -= n;
    }
    out.Close();
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::fprintf(stderr, "%d frames at %d Hz in %.4f s\n", src->GetLength(), rout, secs);
    return 0;
}
