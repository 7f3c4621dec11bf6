// ".vox" files: headerless 4-bit ADPCM, mono, two samples a byte (the earlier
// in the high nibble), at a rate the file does not record.
#pragma once
#include <cstdint>
#include <string>

#include "core/LSoundStream.h"
#include "formats/vox/LVoxCodec.h"
#include "support/LFile.h"

namespace sondrel {

constexpr int32_t kVoxPeakBound = 0x200000;
constexpr int32_t kVoxChunkSamples = 16384;  // samples per file call (8192 bytes)

class LSRCVOX : public LSoundSourceBase {
public:
    // A file that cannot be opened gives a source of length 0 with the error flag.
    LSRCVOX(const char* path, int32_t rate);
    // Reads do not stop at the length; samples past the end of the file are zeros.
    void Read(int32_t* buffer, int32_t n) override;
    int32_t GetPosition() override { return nPosition; }
    int32_t GetLength() override { return nLength; }
    // Keeps the codec state (the leaky predictor settles by itself) and
    // lands on the exact sample, odd positions included.
    void Seek(int32_t position) override;

private:
    LFile file;
    LVoxCodec codec;
    int32_t nPosition = 0;
    int32_t nLength = 0;
    bool bPending = false;  // the low nibble of byPending is the next sample
    uint8_t byPending = 0;
};

class LSNKVOX : public LSoundSinkBase {
public:
    // Creates the file anew; on failure the sink has the error flag and discards.
    LSNKVOX(const char* path, int32_t rate);
    // Finishes the file when nobody did.
    ~LSNKVOX() override;
    void Write(const int32_t* buffer, int32_t n) override;
    void Seek(int32_t) override {}
    // Flushes and closes the file; a last odd sample is not written.
    bool Finish() override;

private:
    std::string szPath;
    LFile file;
    LVoxCodec codec;
    bool bPending = false;  // a high nibble waits for its low one
    uint8_t byPending = 0;
};

LSoundSourcePtr OpenVOXSource(const char* path, int32_t rate);
LSoundSinkPtr OpenVOXSink(const char* path, int32_t rate);

// The rate asked for when a VOX file is opened.
constexpr int32_t kVoxMinRate = 6000;
constexpr int32_t kVoxMaxRate = 96000;
extern const char* const kVoxRateChoices[11];
extern const char* const kVoxRateErrorText;
extern const char* const kVoxRateErrorTitle;

// Reads the rate box's text: true with the rate when it is a whole number
// (surrounding blanks allowed) within kVoxMinRate..kVoxMaxRate; false means
// the dialog shows kVoxRateErrorText and stays open.
bool ParseVoxSampleRate(const char* text, int32_t* rate);

}  // namespace sondrel
