// The file readers only the Windows build has: WAV files in any format an
// installed system codec decodes, RealAudio files through an installed
// RealPlayer; and the launcher of the MP3 encoder. The editor and the
// command-line tool both install them at start-up through this one call,
// so the tool opens and saves every file the editor does.
#pragma once

namespace sondrel {

void InstallPlatformReaders();

}  // namespace sondrel
