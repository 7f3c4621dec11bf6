// mp3decode: decodes an MP3 file with the program's own decoder.
//   mp3decode [-t] [-q] in.mp3 [out.raw]
// Writes 16-bit signed little-endian interleaved samples (clipped) to
// out.raw, or to standard output when no output is named; -t decodes
// without writing anything (for timing); -q prints nothing on stderr.
#include <cstdio>
#include <cstring>
#include <vector>

#include "formats/mp3/LMP3Source.h"

using namespace sondrel;

int main(int argc, char** argv) {
    bool test = false, quiet = false;
    const char* in = nullptr;
    const char* out = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-t") == 0)
            test = true;
        else if (std::strcmp(argv[i], "-q") == 0)
            quiet = true;
        else if (!in)
            in = argv[i];
        else if (!out)
            out = argv[i];
    }
    if (!in) {
        std::fprintf(stderr, "usage: mp3decode [-t] [-q] in.mp3 [out.raw]\n");
        return 2;
    }
    LSoundSourcePtr src = OpenMP3Source(in);
    if (src->HasError()) {
        std::fprintf(stderr, "mp3decode: cannot open %s as MP3\n", in);
        return 1;
    }
    FILE* f = nullptr;
    if (!test) {
        f = out ? std::fopen(out, "wb") : stdout;
        if (!f) {
            std::fprintf(stderr, "mp3decode: cannot write %s\n", out);
            return 1;
        }
    }
    const int32_t chans = src->nChans;
    std::vector<int32_t> block(size_t(kMaxBlockFrames) * chans);
    std::vector<uint8_t> bytes(block.size() * 2);
    int64_t frames = 0;
    for (;;) {
        src->Read(block.data(), kMaxBlockFrames);
        int32_t pos = src->GetPosition(), len = src->GetLength();
        int32_t n = kMaxBlockFrames;
        if (pos >= len) n = kMaxBlockFrames - (pos - len);
        if (n < 0) n = 0;
        if (f) {
            for (size_t i = 0; i < size_t(n) * chans; ++i) {
                int32_t s = (block[i] + 8) >> 4;
                s = s > 32767 ? 32767 : s < -32768 ? -32768 : s;
                bytes[2 * i] = uint8_t(s & 0xFF);
                bytes[2 * i + 1] = uint8_t((s >> 8) & 0xFF);
            }
            std::fwrite(bytes.data(), 1, size_t(n) * chans * 2, f);
        }
        frames += n;
        if (pos >= len) break;
    }
    if (f && f != stdout) std::fclose(f);
    if (!quiet)
        std::fprintf(stderr, "%s: %d Hz, %d channel(s), %lld frames\n", in, src->nSampleRate, chans,
                     static_cast<long long>(frames));
    return 0;
}
