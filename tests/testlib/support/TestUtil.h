// Helpers shared by the tests: scratch folders, peer tools, signal makers and
// small in-memory sources and sinks.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/LSoundStream.h"

namespace sondrel::test {

// Seed for randomized tests: SONDREL_SEED if set, otherwise varies per run.
uint32_t Seed();

// A fresh empty folder under the test's working directory, unique per call.
std::string ScratchDir(const std::string& tag);

// True when the native build can run the named peer program (sox, lame...).
// Always false in the Windows build, whose tests cannot wait on Unix programs.
bool HavePeer(const char* program);
// Runs a shell command (native build only); returns its exit status.
int RunCommand(const std::string& command);
// Runs a command and returns its standard output.
std::string CommandOutput(const std::string& command);

// A whole file's bytes (empty when it cannot be read), and a file written from bytes.
std::vector<uint8_t> ReadBytes(const std::string& path);
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// A 16-bit PCM WAV file (a plain 44-byte header) of interleaved samples.
bool WriteWav16(const std::string& path, const std::vector<int16_t>& samples, int32_t rate, int32_t chans);
// Some audio for a test that needs a file to open: one second of a 200 Hz
// sawtooth, 16-bit mono at 8000 Hz.
bool WriteSawtoothWav(const std::string& path);

// Source over an in-memory sample vector (interleaved frames).
class VectorSource : public LSoundSourceBase {
public:
    VectorSource(std::vector<int32_t> samples, int32_t rate, uint32_t chans, int32_t peakBound = kMax16);
    void Read(int32_t* buffer, int32_t n) override;
    int32_t GetPosition() override { return pos_; }
    int32_t GetLength() override { return len_; }
    void Seek(int32_t p) override { pos_ = p; }

private:
    std::vector<int32_t> data_;
    int32_t pos_ = 0;
    int32_t len_ = 0;
};

// Sink collecting everything written into a shared vector.
class VectorSink : public LSoundSinkBase {
public:
    VectorSink(std::vector<int32_t>* out, int32_t rate, uint32_t chans) : LSoundSinkBase(rate, chans), out_(out) {}
    void Write(const int32_t* buffer, int32_t n) override {
        out_->insert(out_->end(), buffer, buffer + size_t(n) * nChans);
        nPosition += n;
    }

private:
    std::vector<int32_t>* out_;
};

// Reads a whole source from its current position to its length.
std::vector<int32_t> ReadAll(LSoundSourceBase& src, int32_t block = 8192);

// How a decoded copy of some audio (an MP3 made from it, for instance)
// matches the original: interleaved samples of the same channel count.
struct AudioMatch {
    double levelDb = 0;       // RMS of the copy over the original, in dB
    int32_t lag = 0;          // frames the copy is delayed by (0..maxLag)
    double correlation = 0;   // at that lag, over the original's length
    int64_t extraFrames = 0;  // frames of the copy beyond the original's end plus the lag
};
// The lag is the one in 0..maxLag at which the first channels correlate
// best; a copy shorter than the original plus the lag correlates over what
// it has.
AudioMatch CompareAudio(const std::vector<int32_t>& original, const std::vector<int32_t>& copy, uint32_t chans,
                        int32_t maxLag);

// A sine of the given frequency and amplitude (internal scale), all channels alike.
std::vector<int32_t> Sine(int32_t frames, uint32_t chans, int32_t rate, double hz, double amplitude);

}  // namespace sondrel::test
