// The file readers only the Windows build has: WAV files in any format an
// installed system codec decodes. The editor and the command-line tool both
// install them at start-up through this one call, so the tool opens every
// file the editor opens.
#pragma once

namespace sondrel {

void InstallPlatformReaders();

}  // namespace sondrel
