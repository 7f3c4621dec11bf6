#include "formats/win32/LPlatformReaders.h"

#include "formats/win32/LChildProcessWin32.h"
#include "formats/win32/LRealAudioDecode.h"
#include "formats/win32/LWaveFileCompressed.h"

namespace sondrel {

void InstallPlatformReaders() {
    InstallCompressedWaveReader();
    InstallRealAudioDecoder();
    InstallChildProcessLauncher();
}

}  // namespace sondrel
