// RealAudio files (".ra", ".ram", ".rm") are not decoded here: an installed
// RealPlayer's own library plays them into an audio device of ours that
// writes the PCM into a WAV file, which the loader then reads like any other
// (formats/win32/LRealAudioDecode.h). This part is the portable side: the
// decoder hook and the WAV file that device writes.
#pragma once
#include <cstdint>
#include <string>

#include "core/LProgress.h"
#include "support/LFile.h"

namespace sondrel {

// ".ra", ".ram" or ".rm", in any letter case.
bool IsRealAudioType(const std::string& extension);

// Decodes realPath into the WAV file wavePath; 0 done, 1 cancelled or not
// playable, 2 failed (the library is missing; the message has been shown).
// The Windows program installs the decoder at start-up; without one
// RealAudio files do not open.
using LDecodeRealAudio = LProcessResult (*)(LProgress* progress, const std::string& realPath,
                                            const std::string& wavePath);
extern LDecodeRealAudio pDecodeRealAudio;

// The WAV file the decoder's audio device writes: the 46-byte PCM header
// ("fmt " of 18 bytes), then the PCM bytes exactly as the library hands
// them over. Block align is 1 byte per channel for 8 bits or fewer, else 2;
// the sizes are written when the file is finished.
class LRealAudioWave {
public:
    static constexpr uint32_t kHeaderBytes = 46;

    ~LRealAudioWave() { Finish(); }

    // Creates the file anew (write access, others may read); false when it
    // cannot be created: the audio is then discarded.
    bool Create(const char* path);
    bool IsOpen() const { return hFile.IsOpen(); }
    // Starts the audio again in this format: back to the start, nothing
    // written yet, a header with placeholder sizes.
    void Begin(uint16_t channels, uint16_t bitsPerSample, uint32_t sampleRate);
    // Appends PCM bytes (after Begin; before it there is no header to hold them).
    void Append(const void* data, uint32_t bytes);
    // Writes the RIFF size (bytes + 38) and the data size, and closes. A
    // file that was never begun is left empty.
    void Finish();
    uint32_t BytesWritten() const { return nBytes; }

private:
    void WriteHeader(uint32_t riffSize, uint32_t dataSize);

    LFile hFile;
    uint16_t nChannels = 1, nBits = 16;
    uint32_t nRate = 44100;
    uint32_t nBytes = 0;
    bool bBegun = false;
};

}  // namespace sondrel
