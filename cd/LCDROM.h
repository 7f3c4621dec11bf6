// The two operations of CD import that run under the progress dialog:
// LCDROMInfo lists the CD-ROM drives and the lengths of their tracks, and
// LCDROMRipper reads one audio track into a 16-bit stereo 44.1 kHz WAV file.
#pragma once
#include <cstdint>
#include <string>

#include "core/LProgress.h"

namespace sondrel {

constexpr int LCDROMINFO_MAXDRIVES = 8;
constexpr uint32_t kRipBlockSectors = 24;  // sectors per READ CD while ripping
constexpr uint32_t kCDWaveHeaderBytes = 46;

struct LCDROMInfo {
    uint8_t nDrives = 0;
    uint8_t nTracks[LCDROMINFO_MAXDRIVES] = {};  // 0 when the drive cannot be read
    uint16_t nTrackSeconds[LCDROMINFO_MAXDRIVES][255] = {};
};

// Counts the drives (at most 8) and reads each one's table of contents.
// Always ends as done.
LProcessResult Process(LProgress* progress, LCDROMInfo& info);

struct LCDROMRipData {
    uint8_t nDrive = 0;  // from 0
    uint8_t nTrack = 0;  // from 0
    std::string szPath;  // WAV file to write
};

struct LCDROMRipper {
    LCDROMRipData Data;
};

// Reads the track's sectors into the WAV file (replacing one that is there).
// Stopped by the user or failed, a file begun for the track is deleted again.
LProcessResult Process(LProgress* progress, LCDROMRipper& ripper);

// The 46-byte header of a ripped track holding dataBytes of audio: PCM,
// 2 channels, 44100 Hz, 16 bits, an 18-byte format chunk.
void BuildCDWaveHeader(uint8_t header[kCDWaveHeaderBytes], uint32_t dataBytes);

// Whole seconds of a track of sectors (75 to the second), limited to 0..65535.
uint16_t TrackSeconds(int64_t sectors);
// "%d :%.2d", minutes and seconds.
std::string DurationText(uint32_t seconds);

}  // namespace sondrel
