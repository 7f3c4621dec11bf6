// Any bytes as an Ogg Vorbis file: the reader (libvorbisfile under it) must
// neither crash nor run away, whatever the pages and packets say.
#include <cstddef>
#include <cstdint>

#include "FuzzUtil.h"
#include "formats/ogg/LVorbisFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = sondrel::fuzz::WriteInput(data, size, ".ogg");
    sondrel::LSoundSourcePtr src = sondrel::OpenVorbisSource(path.c_str());
    sondrel::fuzz::Drain(*src, size, 1 << 18);
    return 0;
}
