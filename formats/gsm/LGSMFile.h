// ".gsm" files: a headerless run of 33-byte GSM 06.10 frames, 8000 Hz mono.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/LSoundStream.h"
#include "formats/gsm/LGSMFrame.h"
#include "support/LFile.h"

namespace sondrel {

constexpr int32_t kGSMSampleRate = 8000;
constexpr int32_t kGSMPeakBound = 32767 * 32;  // the decoder is not limited to 16 bits

class LGSMFileSource : public LSoundSourceBase {
public:
    // A file that cannot be opened gives a source of length 0 with the error flag.
    explicit LGSMFileSource(const char* path);
    void Read(int32_t* buffer, int32_t n) override;
    int32_t GetPosition() override { return nPosition; }
    int32_t GetLength() override { return nLength; }
    // Starts decoding afresh at the frame that holds the position.
    void Seek(int32_t position) override;

private:
    // Decodes the next frames of the file into out; frames the file no
    // longer holds come out silent.
    void DecodeFrames(int32_t* out, int32_t frames);

    // The next frame's bytes: from the read-ahead, refilled with one large
    // read of the frames that follow; null when the file has no more.
    const uint8_t* NextFrame();

    LFile file;
    LGSMFrame codec;
    int32_t aFrame[kGSMFrameSamples];
    int32_t iNext = kGSMFrameSamples;  // next sample of aFrame to hand out
    std::vector<uint8_t> vAhead;       // whole frames read ahead
    uint32_t nAheadHeld = 0, nAheadNext = 0;  // bytes held, and where the next frame starts
    int32_t nPosition = 0;
    int32_t nLength = 0;
};

class LGSMFileSink : public LSoundSinkBase {
public:
    // Creates the file anew; on failure the sink has the error flag and discards.
    explicit LGSMFileSink(const char* path);
    // Finishes the file when nobody did.
    ~LGSMFileSink() override;
    void Write(const int32_t* buffer, int32_t n) override;
    void Seek(int32_t) override {}  // a stream of frames cannot be rewritten
    // Pads the last partial frame with silence, writes it, flushes and closes.
    bool Finish() override;

private:
    // Writes bytes; a short write sets the error flag and notes why.
    void Put(const uint8_t* bytes, uint32_t count);

    std::string szPath;
    LFile file;
    LGSMFrame codec;
    int32_t aInput[kGSMFrameSamples];
    int32_t nFill = 0;
};

LSoundSourcePtr OpenGSMSource(const char* path);
LSoundSinkPtr OpenGSMSink(const char* path);

}  // namespace sondrel
