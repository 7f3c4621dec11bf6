#include "core/LSoundStream.h"

#include <cstring>

namespace sondrel {

LSoundSourceBase::LSoundSourceBase(int32_t rate, uint32_t chans, int32_t peakBound)
    : nSampleRate(rate), iPeakBound(peakBound), nChans(uint8_t(chans)) {
    SetSampleRate(rate);
    SetChannels(chans);
}

LSoundSourceBase::~LSoundSourceBase() = default;

void LSoundSourceBase::Seek(int32_t) {}

void LSoundSourceBase::SetSampleRate(int32_t rate) {
    if (rate < 1) {
        SetError();
        rate = 44100;
    }
    nSampleRate = rate;
}

void LSoundSourceBase::SetChannels(uint32_t chans) {
    // A count the 8-bit field cannot hold is as unusable as 0.
    if (chans == 0 || chans > 255) {
        SetError();
        chans = 1;
    }
    nChans = uint8_t(chans);
}

LSoundSinkBase::LSoundSinkBase(int32_t rate, uint32_t chans, int32_t position)
    : nPosition(position), nSampleRate(rate), nChans(uint8_t(chans)) {
    if (chans == 0 || chans > 255) {
        SetError();
        nChans = 1;
    }
}

LSoundSinkBase::~LSoundSinkBase() = default;

void LSoundSinkBase::Seek(int32_t) {}

bool LSoundSinkBase::Finish() { return !HasError(); }

LSoundSourcePtr::LSoundSourcePtr() : LCountedPtr(new LSRCNull) {}

LSoundSourcePtr::LSoundSourcePtr(LSoundSourceBase* p) : LCountedPtr(p ? p : new LSRCNull) {}

LSoundSourcePtr::LSoundSourcePtr(LSoundSourcePtr&& o) noexcept : LCountedPtr() {
    // The moved-from reference must still hold a source: swap in a fresh null.
    p_ = o.p_;
    o.p_ = nullptr;
    o.Reset(new LSRCNull);
}

LSoundSourcePtr& LSoundSourcePtr::operator=(LSoundSourcePtr&& o) noexcept {
    if (this != &o) {
        LSoundSourceBase* old = p_;
        p_ = o.p_;
        o.p_ = nullptr;
        o.Reset(new LSRCNull);
        if (old) old->Release();
    }
    return *this;
}

void LSoundSourcePtr::SetNull() { Reset(new LSRCNull); }

LSRCNull::LSRCNull() : LSoundSourceBase(11025, 1, kPeakBoundCutList) { SetError(); }

void LSRCNull::Read(int32_t* buffer, int32_t n) {
    if (n > 0) std::memset(buffer, 0, size_t(n) * nChans * sizeof(int32_t));
}

LSRCFilter::LSRCFilter(const LSoundSourcePtr& input)
    : LSoundSourceBase(input->nSampleRate, input->nChans, input->iPeakBound), pInput(input) {
    if (input->HasError()) SetError();
}

LSoundProcessor::~LSoundProcessor() = default;

}  // namespace sondrel
