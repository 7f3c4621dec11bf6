// Feeds arbitrary bytes to the GSM reader as a ".gsm" file.
#include "FuzzUtil.h"
#include "formats/gsm/LGSMFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = sondrel::fuzz::WriteInput(data, size, ".gsm");
    sondrel::LSoundSourcePtr src = sondrel::OpenGSMSource(path.c_str());
    sondrel::fuzz::Drain(*src, size);
    return 0;
}
