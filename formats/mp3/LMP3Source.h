// Sample source over an MPEG audio Layer III file (MPEG-1, MPEG-2 and
// MPEG-2.5, mono or two channels), decoded by the program itself.
#pragma once
#include <cstdint>
#include <vector>

#include "core/LSoundStream.h"
#include "formats/mp3/MP3FrameDecoder.h"
#include "formats/mp3/MP3Header.h"

namespace sondrel {

class LMP3Source : public LSoundSourceBase {
public:
    explicit LMP3Source(const char* path);
    ~LMP3Source() override;

    void Read(int32_t* buffer, int32_t n) override;
    int32_t GetPosition() override { return nPosition; }
    int32_t GetLength() override { return nLength; }
    void Seek(int32_t position) override;

    // Header of the initial probe, its bit rate replaced by the mean.
    const MP3Header& ReferenceHeader() const { return hdrReference; }
    // Mean frame length in bytes (without padding).
    double FrameBytes() const { return fFrameBytes; }
    int32_t SamplesPerFrame() const { return nSamplesPerFrame; }

private:
    // One frame met in the stream, in decoding order. Seeking replays the
    // stream from these, so it lands on exactly the frames that reading
    // from the start would decode.
    struct FrameEntry {
        int64_t nOffset;      // file offset of the header
        int32_t nOutput;      // frames of audio before this one
        uint16_t nMainBytes;  // main data carried
        uint16_t nBackBytes;  // main_data_begin
        uint16_t nHeldBefore; // reservoir bytes when decoding from the start
        uint8_t bOutput;      // yields audio when decoding from the start
    };
    enum FrameResult { kFrameDecoded, kFrameSkipped, kFrameEnd };

    bool DecodeInitialHeader();
    bool DecodeHeader(MP3Header& h, int64_t* where);
    // Reads the next accepted frame's body; index of its entry in *entry.
    bool ReadFrame(MP3Header& h, int32_t* entry);
    FrameResult DecodeNextFrame(int32_t* out);
    // Decodes frames until one yields audio; false at the end of the data.
    bool DecodeFrame(int32_t* out);
    void RenewLength(int32_t frameEnd);
    int32_t FramesToSamples(double frames) const;
    // Entry of the n-th frame of audio, extending the index as needed; -1
    // when the stream ends before it.
    int32_t FindOutputEntry(int32_t n);
    void AppendEntry(const MP3Header& h, int64_t where);

    MP3InputFile file_;
    int64_t nDataStart = 0;   // after a leading ID3v2 tag
    int64_t nDataLength = 0;  // file size minus 128, not below 0
    MP3Header hdrReference;
    double fFrameBytes = 0.0;
    int32_t nSamplesPerFrame = 1152;
    bool bStereo = false;
    int32_t nPosition = 0;
    int32_t nLength = 0;

    std::vector<int32_t> frameBuf_;
    int32_t nFrameNext = 0;
    std::vector<uint8_t> body_;
    MP3FrameDecoder decoder_;

    std::vector<FrameEntry> index_;
    int32_t nNextEntry = 0;     // entry of the next frame read
    int64_t nScanPos = 0;       // file position after the last entry
    int32_t nSimHeld = 0;       // reservoir bytes after the last entry
    int32_t nIndexedOutputs = 0;
    bool bIndexComplete = false;
};

// Opens an MP3 file as a source; a silent source with the error flag set
// when the file cannot be opened or holds no Layer III audio.
LSoundSourcePtr OpenMP3Source(const char* path);

}  // namespace sondrel
