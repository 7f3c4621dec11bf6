// Reads a WAV file whose data is not 8- or 16-bit PCM through the system's
// audio compression manager, which decodes it to 16-bit PCM at the file's
// own rate and channels.
#pragma once
#include <windows.h>
#include <mmreg.h>
#include <msacm.h>

#include <vector>

#include "core/LSoundStream.h"
#include "support/LFile.h"

namespace sondrel {

class LSRCACMWave : public LSoundSourceBase {
public:
    // file stands at the first data byte; format is the file's "fmt " chunk.
    LSRCACMWave(LFile&& file, const uint8_t* format, uint32_t formatBytes, uint32_t dataBytes);
    ~LSRCACMWave() override;

    void Read(int32_t* buffer, int32_t n) override;
    int32_t GetPosition() override { return nPosition; }
    int32_t GetLength() override;
    void Seek(int32_t p) override;

    // The format block the codec is asked to decode: WAVE_FORMAT_EXTENSIBLE
    // with a PCM sub-format becomes the equivalent plain PCM block, which
    // codecs accept where they refuse the extensible tag.
    static std::vector<uint8_t> CodecFormat(const uint8_t* format, uint32_t formatBytes);

private:
    int32_t FramesFromBytes(uint32_t bytes) const;
    void Convert(DWORD flags, bool& failed);

    LFile file_;
    uint32_t nDataBytes = 0;
    uint32_t nConsumed = 0;
    int64_t nDataStart = 0;
    HACMSTREAM hStream = nullptr;
    ACMSTREAMHEADER header_ = {};
    bool bPrepared = false;
    std::vector<uint8_t> src_, dst_;
    uint32_t nSrcFill = 0;   // compressed bytes waiting at the front of src_
    uint32_t nDstFill = 0;   // decoded bytes waiting in dst_ from nDstUsed on
    uint32_t nDstUsed = 0;
    int32_t nFileRate = 0;
    int32_t nBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t nSamplesPerBlock = 0;  // frames per block of block codecs (ADPCM, GSM), 0 when unknown
    int32_t nPosition = 0;
    int32_t nEndFrame = -1;
};

}  // namespace sondrel
