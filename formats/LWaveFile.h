// RIFF WAVE files: any WAVE file opens as a source (8- and 16-bit PCM are
// read here, every other format by the compressed-WAV reader); 8- and 16-bit
// PCM files are written by a sink whose header is completed when the sink's
// last reference goes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/LSoundStream.h"
#include "support/LFile.h"

namespace sondrel {

class LWaveFile {
public:
    // Never empty: a file that cannot be read gives an LSRCNull (error flag set).
    static LSoundSourcePtr OpenSource(const char* path);
    // bits 1..8: 8-bit writer; 9..16: 16-bit writer; anything else: an empty
    // reference. A writer whose file cannot be created has its error flag set.
    static LSoundSinkPtr OpenSinkPCM(const char* path, int32_t sampleRate, int32_t startFrame, int32_t bitsPerSample,
                                     uint32_t chans);

    // The trace text of the last OpenSource or OpenSinkPCM failure on this
    // thread ("" after a success). Never shown to the user.
    static const char* LastDiagnostic();

    // Header layout written by the PCM sink.
    static constexpr uint32_t kHeaderBytes = 46;
    // Size field of a file whose writer never finished.
    static constexpr uint32_t kUnfinishedSize = 0xFFFFFFFFu;
    // Largest "fmt " chunk accepted, and the highest sample rate.
    static constexpr uint32_t kMaxFormatBytes = 8192;
    static constexpr int32_t kMaxSampleRate = 196000;
};

// Reader for every WAVE format that is not 8- or 16-bit PCM. file stands at
// the first data byte; format holds the "fmt " chunk (formatBytes of it);
// dataBytes is the data chunk's size field as stored. Calls the installed
// decoder (the Windows build installs the system-codec reader at start-up,
// see formats/win32/LWaveFileCompressed.h); without one the result is an
// LSRCNull.
using LOpenCompressedWave = LSoundSourcePtr (*)(LFile&& file, const uint8_t* format, uint32_t formatBytes,
                                                uint32_t dataBytes);
extern LOpenCompressedWave pOpenCompressedWave;
LSoundSourcePtr OpenCompressedWave(LFile&& file, const uint8_t* format, uint32_t formatBytes, uint32_t dataBytes);

// PCM reader over an open file positioned at its first sample. Frames before
// 0 and past the length read as zeros, and so does any part of the declared
// data that the file does not hold. The file is read ahead in large
// sequential blocks (a whole-file load makes one pass of big reads, however
// small the blocks asked for); a seek inside the block held costs no read.
class LSRCPCMFileBase : public LSoundSourceBase {
public:
    // File bytes read at once (whole frames of it).
    static constexpr uint32_t kReadAheadBytes = 1u << 20;

    LSRCPCMFileBase(LFile&& file, int32_t rate, uint32_t dataBytes, uint32_t bytesPerSample, int32_t peakBound,
                    uint32_t chans);

    void Read(int32_t* buffer, int32_t n) override;
    int32_t GetPosition() override { return nPosition; }
    int32_t GetLength() override { return nLength; }
    void Seek(int32_t p) override;

protected:
    // Converts count samples of the file's format at in to the internal format.
    virtual void Convert(const uint8_t* in, int32_t* out, int32_t count) = 0;

    LFile hFile;
    int64_t nDataStart = 0;  // file offset of the first sample
    int32_t nPosition = 0;
    int32_t nLength = 0;
    uint32_t nFrameBytes = 2;
    uint32_t nBytesPerSample = 2;

private:
    // Frames [first, first + frames) of the data into out; what the file
    // does not deliver reads as zeros.
    void ReadFrames(int32_t* out, int32_t first, int32_t frames);
    // Reads the block that starts at frame first; false when the file gives nothing there.
    bool Fill(int32_t first);

    std::vector<uint8_t> vBlock;  // file bytes of frames from nBlockFrame on
    int32_t nBlockFrame = 0;
    uint32_t nBlockBytes = 0;     // bytes held (0: nothing)
    int64_t nFileAt = -1;         // where the file pointer stands (-1: unknown)
};

class LSRCPCM8File : public LSRCPCMFileBase {
public:
    LSRCPCM8File(LFile&& file, int32_t rate, uint32_t dataBytes, uint32_t chans)
        : LSRCPCMFileBase(std::move(file), rate, dataBytes, 1, kMax16, chans) {}

protected:
    void Convert(const uint8_t* in, int32_t* out, int32_t count) override;
};

class LSRCPCM16File : public LSRCPCMFileBase {
public:
    LSRCPCM16File(LFile&& file, int32_t rate, uint32_t dataBytes, uint32_t chans)
        : LSRCPCMFileBase(std::move(file), rate, dataBytes, 2, kMax16, chans) {}

protected:
    void Convert(const uint8_t* in, int32_t* out, int32_t count) override;
};

// PCM writer. The header holds placeholder sizes while the file is open; the
// destructor writes the real ones. Seek moves only backwards and cuts the
// file there.
class LSNKPCMFileBase : public LSoundSinkBase {
public:
    LSNKPCMFileBase(const char* path, int32_t rate, int32_t startFrame, uint32_t bytesPerSample, uint32_t chans);
    ~LSNKPCMFileBase() override;

    void Write(const int32_t* buffer, int32_t n) override;
    void Seek(int32_t p) override;
    // Writes the real sizes, flushes and closes the file.
    bool Finish() override;

protected:
    // Converts count internal samples into the conversion buffer.
    virtual void Convert(const int32_t* in, int32_t count) = 0;

    uint32_t nBytesPerSample;
    uint32_t nFrameBytes;
    LFile hFile;
    // 8192 frames of the file's format (16-bit words; the 8-bit writer uses its bytes).
    std::vector<int16_t> pBuffer;

private:
    bool WriteHeader(bool finished);
    // Sets the error flag and notes why the file failed.
    void FileFailed();
    std::string szPath;
    // Data bytes written before this have had their disk writes started.
    static constexpr int64_t kWriteBackBytes = 4 << 20;
    int64_t nWriteBackFrom = 0;
};

class LSNKPCM8File : public LSNKPCMFileBase {
public:
    LSNKPCM8File(const char* path, int32_t rate, int32_t startFrame, uint32_t chans)
        : LSNKPCMFileBase(path, rate, startFrame, 1, chans) {}

protected:
    void Convert(const int32_t* in, int32_t count) override;
};

class LSNKPCM16File : public LSNKPCMFileBase {
public:
    LSNKPCM16File(const char* path, int32_t rate, int32_t startFrame, uint32_t chans)
        : LSNKPCMFileBase(path, rate, startFrame, 2, chans) {}

protected:
    void Convert(const int32_t* in, int32_t count) override;
};

}  // namespace sondrel
