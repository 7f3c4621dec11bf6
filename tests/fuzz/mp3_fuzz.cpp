// Feeds arbitrary bytes to the MP3 reader as an ".mp3" file.
#include "FuzzUtil.h"
#include "formats/mp3/LMP3Source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = sondrel::fuzz::WriteInput(data, size, ".mp3");
    sondrel::LSoundSourcePtr src = sondrel::OpenMP3Source(path.c_str());
    sondrel::fuzz::Drain(*src, size, 1 << 16);
    return 0;
}
