// wavcopy IN.wav OUT.wav [RATE [CHANNELS [BITS]]]
// Pumps a WAV file into a new PCM WAV file the way the editor saves: through
// the channel and rate adaptation and the peak limiter. RATE and CHANNELS
// default to the input's, BITS to 16. Exit status 0 when the whole file was
// written, 1 when it could not be, 2 on a usage error.
#include <cstdio>
#include <cstdlib>

#include "core/LPump.h"
#include "formats/LWaveFile.h"

using namespace sondrel;

int main(int argc, char** argv) {
    if (argc < 3 || argc > 6) {
        std::fprintf(stderr, "usage: wavcopy IN.wav OUT.wav [RATE [CHANNELS [BITS]]]\n");
        return 2;
    }
    LSoundSourcePtr src = LWaveFile::OpenSource(argv[1]);
    if (src->HasError()) {
        std::fprintf(stderr, "wavcopy: cannot read %s (%s)\n", argv[1], LWaveFile::LastDiagnostic());
        return 1;
    }
    int32_t rate = argc > 3 ? std::atoi(argv[3]) : src->nSampleRate;
    int chans = argc > 4 ? std::atoi(argv[4]) : src->nChans;
    int bits = argc > 5 ? std::atoi(argv[5]) : 16;
    if (rate < 1 || chans < 1 || chans > 255) {
        std::fprintf(stderr, "wavcopy: bad rate or channel count\n");
        return 2;
    }
    LPRSourceToSink record{"Copying...", src, LWaveFile::OpenSinkPCM(argv[2], rate, 0, bits, uint32_t(chans))};
    if (!record.pSink) {
        std::fprintf(stderr, "wavcopy: %d bits cannot be written\n", bits);
        return 2;
    }
    LNullProgress progress;
    LProcessResult result = Process(&progress, record);
    bool sinkFailed = record.pSink->HasError();
    record.pSink.Reset();  // finishes the file
    if (result != kProcessDone || sinkFailed) {
        std::fprintf(stderr, "wavcopy: writing %s failed\n", argv[2]);
        return 1;
    }
    return 0;
}
