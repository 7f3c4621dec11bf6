#include "cd/LCDROM.h"

#include <cstdio>
#include <cstring>

#include "cd/LSCSI.h"
#include "support/LFile.h"

namespace sondrel {

namespace {

void PutU32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

void PutU16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

// The largest data chunk whose RIFF size (data + 38) still fits 32 bits.
constexpr uint64_t kMaxWaveData = 0xFFFFFFFFull - (kCDWaveHeaderBytes - 8);

}  // namespace

void BuildCDWaveHeader(uint8_t h[kCDWaveHeaderBytes], uint32_t dataBytes) {
    std::memcpy(h, "RIFF", 4);
    PutU32(h + 4, dataBytes == 0xFFFFFFFFu ? 0xFFFFFFFFu : dataBytes + (kCDWaveHeaderBytes - 8));
    std::memcpy(h + 8, "WAVEfmt ", 8);
    PutU32(h + 16, 18);
    PutU16(h + 20, 1);       // PCM
    PutU16(h + 22, 2);       // channels
    PutU32(h + 24, 44100);   // samples per second
    PutU32(h + 28, 176400);  // bytes per second
    PutU16(h + 32, 4);       // block align
    PutU16(h + 34, 16);      // bits per sample
    PutU16(h + 36, 0);       // extra format bytes
    std::memcpy(h + 38, "data", 4);
    PutU32(h + 42, dataBytes);
}

uint16_t TrackSeconds(int64_t sectors) {
    if (sectors <= 0) return 0;
    int64_t seconds = sectors * kCDSectorBytes / 176400;
    return seconds > 65535 ? 65535 : uint16_t(seconds);
}

std::string DurationText(uint32_t seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%d :%.2d", int(seconds / 60), int(seconds % 60));
    return text;
}

LProcessResult Process(LProgress* progress, LCDROMInfo& info) {
    info = LCDROMInfo();
    progress->SetText("Loading CD Track List(s)", 0);
    progress->SetText("Please wait...", 1);
    int32_t drives = ProcessSCSICDGetNumberCDDrives(progress);
    info.nDrives = uint8_t(drives < 0 ? 0 : drives > LCDROMINFO_MAXDRIVES ? LCDROMINFO_MAXDRIVES : drives);
    for (int d = 0; d < info.nDrives; ++d) {
        LSCSI scsi;
        if (ProcessSCSICDOpenDrive(progress, scsi, d) != kProcessDone) {
            CDTrace("Process(LCDROMInfo) ProcessSCSICDOpenDrive FAILED");
            continue;
        }
        uint8_t tracks = 0;
        uint32_t starts[kMaxTOCTracks + 1] = {};
        ProcessSCSICDGetTOC(progress, scsi, tracks, starts);  // a failure leaves 0 tracks
        info.nTracks[d] = tracks;
        for (int t = 0; t < tracks; ++t)
            info.nTrackSeconds[d][t] = TrackSeconds(int64_t(starts[t + 1]) - int64_t(starts[t]));
    }  // each drive is closed as its address goes
    return kProcessDone;
}

LProcessResult Process(LProgress* progress, LCDROMRipper& ripper) {
    const LCDROMRipData& data = ripper.Data;
    char line[64];
    std::snprintf(line, sizeof line, "Loading CD Track %d", int(data.nTrack) + 1);
    progress->SetText(line, 0);
    progress->SetText("Getting Track Information...", 1);

    LSCSI scsi;
    if (ProcessSCSICDOpenDrive(progress, scsi, data.nDrive) != kProcessDone) {
        CDTrace("Process(LCDROMRipper) Open FAILED");
        return kProcessFailed;
    }
    uint8_t tracks = 0;
    uint32_t starts[kMaxTOCTracks + 1] = {};
    if (ProcessSCSICDGetTOC(progress, scsi, tracks, starts) != kProcessDone) {
        CDTrace("Process(LCDROMRipper) GetTOC FAILED");
        return kProcessFailed;
    }
    if (data.nTrack >= tracks) {
        CDTrace("Process(LCDROMRipper) Data.nTrack >= nTracks");
        return kProcessFailed;
    }
    uint32_t first = starts[data.nTrack];
    uint32_t end = starts[data.nTrack + 1];
    uint64_t sectors = end > first ? end - first : 0;
    // A table of contents whose track would not fit a WAV file is not a disc.
    if (sectors * kCDSectorBytes > kMaxWaveData) {
        CDTrace("Process(LCDROMRipper) track too long for a wav file");
        return kProcessFailed;
    }
    progress->SetText("Loading Digital Audio...", 1);

    LFile file;
    if (!file.Open(data.szPath.c_str(), LFile::kCreate)) {
        CDTrace("Process(LCDROMRipper) Unable to create wav file path");
        return kProcessFailed;
    }
    uint8_t header[kCDWaveHeaderBytes];
    BuildCDWaveHeader(header, 0xFFFFFFFFu);
    bool writeFailed = file.Write(header, sizeof header) != sizeof header;
    progress->SetProgress(0.0);

    // Whole blocks of 24 sectors; the last block reads only the sectors the
    // track has left, so the last track of a disc never asks for sectors
    // past the lead-out (drives may refuse those).
    LAlignedBuffer buffer(ReadCDDataLength(kRipBlockSectors));
    LProcessResult readResult = kProcessDone;
    uint32_t dataBytes = 0;
    uint32_t current = first;
    while (!writeFailed && current < end) {
        uint32_t left = end - current;
        uint8_t count = uint8_t(left < kRipBlockSectors ? left : kRipBlockSectors);
        readResult = ProcessSCSICDReadDASectors(progress, scsi, buffer.Data(), count, current);
        if (readResult != kProcessDone) break;
        uint32_t bytes = ReadCDDataLength(count);
        if (file.Write(buffer.Data(), bytes) != bytes) {
            writeFailed = true;
            break;
        }
        dataBytes += bytes;
        current += count;
        progress->SetProgress(double(current - first) / double(sectors));
    }

    BuildCDWaveHeader(header, dataBytes);
    if (!file.Seek(0) || file.Write(header, sizeof header) != sizeof header) writeFailed = true;
    file.Close();
    if (readResult != kProcessDone || writeFailed) {
        // A short file must not pass for the whole track.
        if (writeFailed && readResult == kProcessDone) {
            CDTrace("Process(LCDROMRipper) Unable to write wav file");
            readResult = kProcessFailed;
        }
        LFile::Delete(data.szPath.c_str());
        return readResult;
    }
    return kProcessDone;
}

}  // namespace sondrel
