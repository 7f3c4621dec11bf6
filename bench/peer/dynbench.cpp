// Runs one effect over raw 16-bit little-endian PCM, streaming block by block
// through the whole-source pump into a raw 16-bit file:
//   dynbench effect in.raw out.raw rate channels [value]
// effect: compress  threshold -20 dB, ratio 2:1 (value: threshold)
//         gate      noise reduction at -30 dB (value: level)
//         tempo     speed change at constant pitch (value: percent, 150)
//         pitch     pitch change at constant speed (value: percent, 150)
//         speed     speed and pitch together (value: percent, 150)
//         agc       automatic gain control (two passes, temporary files)
// Prints the frames written and the time taken to standard error.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/LPump.h"
#include "effects/LDPAutoGain.h"
#include "effects/LSRCCompressor.h"
#include "effects/LSRCNoiseGates.h"
#include "effects/LSpeedPitch.h"
#include "bench/peer/RawPcm.h"
#include "support/LFile.h"

using namespace sondrel;
using bench::RawSink;
using bench::RawSource;

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s compress|gate|tempo|pitch|speed|agc in.raw out.raw rate channels [value]\n",
                     argv[0]);
        return 2;
    }
    const std::string effect = argv[1];
    const int32_t rate = std::atoi(argv[4]);
    const uint32_t chans = uint32_t(std::atoi(argv[5]));
    const bool haveValue = argc > 6;
    const int32_t value = haveValue ? std::atoi(argv[6]) : 0;

    auto t0 = std::chrono::steady_clock::now();
    LSoundSourcePtr src(new RawSource(argv[2], rate, chans));
    LSoundSinkPtr sink(new RawSink(argv[3], rate, chans));
    if (src->HasError() || sink->HasError()) {
        std::fprintf(stderr, "cannot open %s or %s\n", argv[2], argv[3]);
        return 1;
    }
    LNullProgress progress;
    LProcessResult result;
    if (effect == "agc") {
        result = RunAutoGain(&progress, src, sink);
    } else {
        LPRSourceToSink pump;
        pump.szCaption = effect;
        pump.pSink = sink;
        if (effect == "compress")
            pump.pSource = LSPCompressor(haveValue ? value : -20, CompressorRatioFactor(2)).OpenSource(src);
        else if (effect == "gate")
            pump.pSource = LSPNoiseGates(haveValue ? value : -30).OpenSource(src);
        else if (effect == "tempo")
            pump.pSource = OpenSpeedPitchChain(src, haveValue ? value : 150, kSpeedPitchConstantPitch);
        else if (effect == "pitch")
            pump.pSource = OpenSpeedPitchChain(src, haveValue ? value : 150, kSpeedPitchConstantSpeed);
        else if (effect == "speed")
            pump.pSource = OpenSpeedPitchChain(src, haveValue ? value : 150, kSpeedPitchSimple);
        else {
            std::fprintf(stderr, "unknown effect %s\n", effect.c_str());
            return 2;
        }
        result = Process(&progress, pump);
    }
    int32_t frames = sink->nPosition;
    sink.Reset();  // closes the output
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::fprintf(stderr, "%s: result %d, %d frames in %.4f s\n", effect.c_str(), int(result), frames, secs);
    return result == kProcessDone ? 0 : 1;
}
