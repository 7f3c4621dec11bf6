// Any bytes as an Ogg Opus file: the reader (opusfile under it) must neither
// crash nor run away, whatever the pages and packets say.
#include <cstddef>
#include <cstdint>

#include "FuzzUtil.h"
#include "formats/ogg/LOpusFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = sondrel::fuzz::WriteInput(data, size, ".opus");
    sondrel::LSoundSourcePtr src = sondrel::OpenOpusSource(path.c_str());
    sondrel::fuzz::Drain(*src, size, 1 << 18);
    return 0;
}
