#include "effects/LSRCTimeStretch.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/LRangePump.h"  // MsToFrames

namespace sondrel {

namespace {

int32_t HopFor(int32_t segment, double factor) {
    double h = double(segment) * factor;
    if (!(h == h)) return 0;  // NaN
    // Hops beyond a quarter of the 32-bit range would overflow the indexes.
    return int32_t(std::clamp(h, -536870912.0, 536870912.0));
}

}  // namespace

LSRCTimeStretch::LSRCTimeStretch(const LSoundSourcePtr& input, double factor, double targetFactor, int32_t rampMs)
    : LSRCFilter(input) {
    c_ = std::max<int32_t>(nChans, 1);
    S_ = std::clamp(nSampleRate / 90, 20, 2730) * c_;
    S2_ = 2 * S_;
    B_ = 8 * S_;
    hop_ = HopFor(S_, factor);
    targetHop_ = HopFor(S_, targetFactor);
    ramp_ = rampMs > 0 ? MsToFrames(rampMs, nSampleRate) * c_ : 0;
    buf_.assign(size_t(B_), 0);

    w_.assign(size_t(S_), kUnityGain);
    const int32_t h = S_ >> 1, n = S_ - h;
    for (int32_t i = 0; i < n; ++i)
        w_[size_t(h + i)] = int32_t((std::cos(i * 3.14159265358979323846 / n) * 0.5 + 0.5) * 16777216.0 + 0.5);
    Restart();
}

void LSRCTimeStretch::Reposition(int32_t index) {
    int32_t pos = pInput->GetPosition();
    pInput->Seek(pos + (index - fill_) / c_);
}

void LSRCTimeStretch::FillBuffer(int32_t from, int32_t count) {
    int32_t* p = buf_.data() + from;
    int32_t frames = count / c_;
    while (frames > 0) {
        int32_t m = std::min(frames, kMaxBlockFrames);
        pInput->Read(p, m);
        p += size_t(m) * c_;
        frames -= m;
    }
    fill_ = from + count;
}

void LSRCTimeStretch::Restart() {
    k_ = 0;
    if (hop_ < 0) {
        old_ = B_ - S2_;
        pInput->Seek(pInput->GetPosition() - (old_ + S_) / c_);
    } else {
        old_ = 0;
    }
    new_ = inpos_ = old_;
    fill_ = 0;
    FillBuffer(0, B_);
    primed_ = true;
}

void LSRCTimeStretch::Splice() {
    old_ = new_;
    inpos_ = ((inpos_ + hop_) / c_) * c_;

    const int32_t lo = std::min(old_, inpos_);
    const int32_t hi = std::max(old_ + S_, inpos_ + S2_);
    if (hi - lo < B_ && lo > -S2_) {
        if (!primed_) {
            // One contiguous window around both streams.
            int32_t x = hop_ < 0 ? hi - B_ : lo;
            Reposition(x);
            old_ -= x;
            inpos_ -= x;
            FillBuffer(0, B_);
            primed_ = true;
        } else if (lo < 0) {
            // Going backwards: shift the window up and read what lies before it.
            int32_t d = B_ - hi;
            std::memmove(buf_.data() + d, buf_.data(), size_t(B_ - d) * sizeof(int32_t));
            old_ += d;
            inpos_ += d;
            Reposition(-d);
            FillBuffer(0, d);
        } else if (hi > B_) {
            // Going forwards: drop what lies before both streams, read on.
            std::memmove(buf_.data(), buf_.data() + lo, size_t(B_ - lo) * sizeof(int32_t));
            old_ -= lo;
            inpos_ -= lo;
            if (fill_ != B_) Reposition(B_);
            FillBuffer(B_ - lo, lo);
        }
    } else {
        // A jump the window cannot span: fetch the incoming stream on its own
        // next to the outgoing one; the next splice rebuilds the window.
        Reposition(inpos_);
        inpos_ = old_ < S2_ ? old_ + S_ : 0;
        FillBuffer(inpos_, S2_);
        primed_ = false;
    }

    new_ = inpos_;
    if (ramp_ > 0) {
        hop_ += int32_t((int64_t(targetHop_ - hop_) * S_) / ramp_);
        ramp_ -= S_;
        if (ramp_ < 1) hop_ = targetHop_;
    }
    k_ = 0;
}

void LSRCTimeStretch::Read(int32_t* buffer, int32_t n) {
    int32_t left = n * c_;
    const int32_t half = S_ >> 1;
    const int32_t* w = w_.data();
    while (left > 0) {
        if (k_ >= S_) Splice();
        const int32_t* po = buf_.data() + old_;
        const int32_t* pn = buf_.data() + new_;
        int32_t take;
        if (k_ < half) {
            // The outgoing stream alone (window at unity).
            take = std::min(left, half - k_);
            std::memcpy(buffer, po, size_t(take) * sizeof(int32_t));
        } else {
            take = std::min(left, S_ - k_);
            for (int32_t i = 0; i < take; ++i) {
                int32_t wk = w[k_ + i];
                buffer[i] = MulGain(po[i], wk) + MulGain(pn[i], kUnityGain - wk);
            }
        }
        buffer += take;
        left -= take;
        k_ += take;
        old_ += take;
        new_ += take;
    }
}

int32_t LSRCTimeStretch::GetPosition() { return pInput->GetPosition() + (new_ - fill_) / c_; }

int32_t LSRCTimeStretch::GetLength() { return hop_ >= 0 ? pInput->GetLength() : 2 * GetPosition(); }

void LSRCTimeStretch::Seek(int32_t position) {
    pInput->Seek(position);
    Restart();
}

void LSPTimeStretch::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) {
    result = MakeSource<LSRCTimeStretch>(input, dFactor, dTargetFactor, iRampTime);
}

}  // namespace sondrel
