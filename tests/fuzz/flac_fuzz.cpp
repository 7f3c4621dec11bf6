// Any bytes as a .flac file: the FLAC reader (libFLAC under it) must neither
// crash nor run away, whatever the stream information and frames say.
#include <cstddef>
#include <cstdint>

#include "FuzzUtil.h"
#include "formats/flac/LFLACFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = sondrel::fuzz::WriteInput(data, size, ".flac");
    sondrel::LSoundSourcePtr src = sondrel::OpenFLACSource(path.c_str());
    sondrel::fuzz::Drain(*src, size, 1 << 18);
    return 0;
}
