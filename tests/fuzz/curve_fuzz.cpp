// Feeds arbitrary bytes to the curve-file loader, then runs the loaded curve
// through the envelope gain and the equaliser's coefficient builder, which
// are the curve's readers.
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "FuzzUtil.h"
#include "effects/LEnvelope.h"
#include "effects/LEqualiser.h"
#include "effects/PointList.h"
#include "support/LFile.h"

using namespace sondrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = [] {
        std::string f = TempFolder() + "/sondrel-curve-fuzz-" + std::to_string(getpid());
        mkdir(f.c_str(), 0700);
        return f;
    }();
    LFile::WriteAll(JoinPath(folder, kEqualizerFile).c_str(), data, size);
    PointList list;
    LoadPointList(folder, kEqualizerFile, list);
    // The curve as an equaliser at two rates and as an envelope.
    for (int32_t rate : {8000, 44100}) {
        LEqTable table = CreateEqFromPointList(list, rate);
        int32_t coeffs[kEqBands];
        DesignEqCoefficients(table, coeffs);
    }
    LSoundSourcePtr env = LSPEnvelope(list, 0, 1000).OpenSource(LSoundSourcePtr());
    std::vector<int32_t> buf(4096 * env->nChans);
    env->Read(buf.data(), 4096);
    return 0;
}
