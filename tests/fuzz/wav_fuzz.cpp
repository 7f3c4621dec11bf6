// Any bytes as a .wav file: the chunk walk and the PCM reader must neither
// crash nor read outside their buffers, whatever the header says.
#include <cstddef>
#include <cstdint>

#include "FuzzUtil.h"
#include "formats/LWaveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = sondrel::fuzz::WriteInput(data, size, ".wav");
    sondrel::LSoundSourcePtr src = sondrel::LWaveFile::OpenSource(path.c_str());
    sondrel::fuzz::Drain(*src, size);
    return 0;
}
