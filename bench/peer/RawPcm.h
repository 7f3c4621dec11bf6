// Raw signed 16-bit little-endian PCM as a source and a sink, for the
// drivers the peer-timing scripts run (the peers read and write the same
// raw files). The source reads silence before 0 and past the end; the sink
// clips to 16 bits.
#pragma once
#include <algorithm>
#include <vector>

#include "core/LSample.h"
#include "core/LSoundStream.h"
#include "support/LFile.h"

namespace sondrel::bench {

class RawSource : public LSoundSourceBase {
public:
    RawSource(const char* path, int32_t rate, uint32_t chans) : LSoundSourceBase(rate, chans, kMax16) {
        if (!file_.Open(path, LFile::kRead)) {
            SetError();
            return;
        }
        len_ = int32_t(file_.Size() / (2 * int64_t(nChans)));
        raw_.resize(size_t(kMaxBlockFrames) * nChans);
    }
    void Read(int32_t* buffer, int32_t n) override {
        const size_t count = size_t(n) * nChans;
        size_t got = 0;
        if (pos_ >= 0 && pos_ < len_) {
            if (filePos_ != pos_) file_.Seek(int64_t(pos_) * 2 * nChans);
            got = file_.Read(raw_.data(), uint32_t(count * 2)) / 2;
            filePos_ = pos_ + int32_t(got / nChans);
        }
        ConvertFromPCM16(raw_.data(), buffer, int32_t(got));
        std::fill(buffer + got, buffer + count, 0);
        pos_ += n;
    }
    int32_t GetPosition() override { return pos_; }
    int32_t GetLength() override { return len_; }
    void Seek(int32_t p) override { pos_ = p; }

private:
    LFile file_;
    std::vector<int16_t> raw_;
    int32_t len_ = 0;
    int32_t pos_ = 0;
    int32_t filePos_ = 0;
};

class RawSink : public LSoundSinkBase {
public:
    RawSink(const char* path, int32_t rate, uint32_t chans) : LSoundSinkBase(rate, chans) {
        if (!file_.Open(path, LFile::kCreate)) SetError();
    }
    void Write(const int32_t* buffer, int32_t n) override {
        size_t count = size_t(n) * nChans;
        pcm_.resize(count);
        for (size_t i = 0; i < count; ++i) pcm_[i] = ToPCM16(std::clamp(buffer[i], -kFullScale, kMax16));
        file_.Write(pcm_.data(), uint32_t(count * 2));
        nPosition += n;
    }

private:
    LFile file_;
    std::vector<int16_t> pcm_;
};

}  // namespace sondrel::bench
