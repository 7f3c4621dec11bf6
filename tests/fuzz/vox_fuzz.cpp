// Feeds arbitrary bytes to the VOX reader as a ".vox" file; the first byte
// picks the rate the user would have typed.
#include "FuzzUtil.h"
#include "formats/vox/LVoxFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int32_t rates[] = {6000, 8000, 11025, 22050, 44100, 96000, 1, 0};
    int32_t rate = size ? rates[data[0] & 7] : 8000;
    std::string path = sondrel::fuzz::WriteInput(data, size, ".vox");
    sondrel::LSoundSourcePtr src = sondrel::OpenVOXSource(path.c_str(), rate);
    sondrel::fuzz::Drain(*src, size);
    return 0;
}
