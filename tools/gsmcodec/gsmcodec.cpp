// gsmcodec encode IN.raw OUT.gsm | gsmcodec decode IN.gsm OUT.raw
// Raw audio is 16-bit signed, host byte order, 8000 Hz mono (what toast -l
// reads and untoast -l writes). Both directions go through LGSMFileSink and
// LGSMFileSource in 8192-sample blocks, as a save or a load does.
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/LSample.h"
#include "formats/gsm/LGSMFile.h"
#include "support/LFile.h"

using namespace sondrel;

static int Encode(const char* in, const char* out) {
    LFile f;
    if (!f.Open(in, LFile::kRead)) {
        std::fprintf(stderr, "gsmcodec: cannot open %s\n", in);
        return 1;
    }
    LSoundSinkPtr sink = OpenGSMSink(out);
    if (sink->HasError()) {
        std::fprintf(stderr, "gsmcodec: cannot create %s\n", out);
        return 1;
    }
    std::vector<int16_t> pcm(kMaxBlockFrames);
    std::vector<int32_t> block(kMaxBlockFrames);
    for (;;) {
        const uint32_t got = f.Read(pcm.data(), uint32_t(pcm.size() * sizeof(int16_t))) / sizeof(int16_t);
        if (got == 0) break;
        ConvertFromPCM16(pcm.data(), block.data(), int32_t(got));
        sink->Write(block.data(), int32_t(got));
    }
    return 0;
}

static int Decode(const char* in, const char* out) {
    LSoundSourcePtr src = OpenGSMSource(in);
    if (src->HasError()) {
        std::fprintf(stderr, "gsmcodec: cannot open %s\n", in);
        return 1;
    }
    LFile f;
    if (!f.Open(out, LFile::kCreate)) {
        std::fprintf(stderr, "gsmcodec: cannot create %s\n", out);
        return 1;
    }
    std::vector<int32_t> block(kMaxBlockFrames);
    std::vector<int16_t> pcm(kMaxBlockFrames);
    while (src->GetPosition() < src->GetLength()) {
        const int32_t left = src->GetLength() - src->GetPosition();
        const int32_t n = left < kMaxBlockFrames ? left : kMaxBlockFrames;
        src->Read(block.data(), n);
        // The decoder may exceed 16-bit full scale; a raw file cannot.
        for (int32_t i = 0; i < n; ++i) {
            int32_t s = block[i];
            if (s > kMax16) s = kMax16;
            if (s < -kFullScale) s = -kFullScale;
            block[i] = s;
        }
        ConvertToPCM16(block.data(), pcm.data(), n);
        f.Write(pcm.data(), uint32_t(n) * sizeof(int16_t));
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "encode") == 0) return Encode(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "decode") == 0) return Decode(argv[2], argv[3]);
    std::fprintf(stderr, "usage: gsmcodec encode IN.raw OUT.gsm | gsmcodec decode IN.gsm OUT.raw\n");
    return 2;
}
