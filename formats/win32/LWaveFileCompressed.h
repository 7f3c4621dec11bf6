// Hooks the system-codec reader into LWaveFile::OpenSource. The engine
// library cannot call into the platform library directly (static link
// order), so the program installs it once at start-up.
#pragma once

namespace sondrel {

void InstallCompressedWaveReader();

}  // namespace sondrel
