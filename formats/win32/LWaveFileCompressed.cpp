#include "formats/win32/LWaveFileCompressed.h"

#include "formats/LWaveFile.h"
#include "formats/win32/LSRCACMWave.h"

namespace sondrel {

static LSoundSourcePtr OpenWithSystemCodec(LFile&& file, const uint8_t* format, uint32_t formatBytes,
                                           uint32_t dataBytes) {
    return MakeSource<LSRCACMWave>(std::move(file), format, formatBytes, dataBytes);
}

void InstallCompressedWaveReader() { pOpenCompressedWave = &OpenWithSystemCodec; }

}  // namespace sondrel
