// Feeds arbitrary bytes to the curve-file loader, then runs the loaded curve
// through the envelope gain and the equaliser's band mapping, which are the
// curve's readers.
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
    // The curve as an equaliser's band gains at two rates and as an envelope.
    // (The coefficient design costs milliseconds per curve and reads only
    // the band gains, whose range is fixed: it is left out to keep the rate up.)
    for (int32_t rate : {8000, 44100}) (void)CreateEqFromPointList(list, rate);
    LSoundSourcePtr env = LSPEnvelope(list, 0, 1000).OpenSource(LSoundSourcePtr());
    std::vector<int32_t> buf(4096 * env->nChans);
    env->Read(buf.data(), 4096);
    return 0;
}
