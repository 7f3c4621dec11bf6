#include "formats/win32/LPlatformReaders.h"

#include "formats/win32/LWaveFileCompressed.h"

namespace sondrel {

void InstallPlatformReaders() { InstallCompressedWaveReader(); }

}  // namespace sondrel
