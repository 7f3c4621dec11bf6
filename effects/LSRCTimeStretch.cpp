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

// The coarse search runs at about this rate, whatever the input's.
constexpr int32_t kCoarseRate = 11025;
// Samples enter the coarse search within +-2047 and its stretches are at
// most 256 long, so its 32-bit sums are exact.
constexpr int32_t kCoarseMax = 2047;
constexpr int32_t kCoarseLen = 256;
// Coarse peaks refined at the full rate.
constexpr int32_t kPeaks = 3;
// The mono mix is clamped to 21 bits, so that a full-rate product sum over
// a segment (at most 2730 frames) stays exact in 64 bits, and in a double.
constexpr int32_t kMonoMax = (1 << 20) - 1;

// Normalised cross-correlation, squared with its sign kept: it orders the
// candidates as the correlation does, without a square root.
double Score(int64_t dot, int64_t energy) {
    if (energy <= 0) return 0.0;
    const double d = double(dot);
    return d * std::fabs(d) / double(energy);
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

    // Search a segment and a half either way, comparing a whole segment:
    // one period of any tone down to a third of the segment rate (30 Hz)
    // fits in the range, so its phase can always be matched.
    const int32_t frames = S_ / c_;
    range_ = frames * 3 / 2;
    match_ = frames;
    // At least 8 coarse samples to compare, however high the rate.
    q_ = std::max({1, nSampleRate / kCoarseRate, (match_ + kCoarseLen - 1) / kCoarseLen});
    q_ = std::min(q_, std::max(1, match_ / 8));
    target_.assign(size_t(match_), 0);
    cand_.assign(size_t(2 * range_ + match_), 0);
    const int32_t coarse = 2 * (range_ / q_) + 1, coarseLen = ((match_ / q_) + 7) & ~7;
    targetQ_.assign(size_t(coarseLen), 0);
    candQ_.assign(size_t(coarse + coarseLen), 0);
    targetSum_.assign(size_t(coarseLen), 0);
    candSum_.assign(size_t(coarse + coarseLen), 0);
    dots_.assign(size_t(coarse), 0);
    scores_.assign(size_t(coarse), 0.0);
    correlate_ = CorrelateKernel(LCorrelateKernel::kBest);
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
    shift_ = 0;
    fill_ = 0;
    FillBuffer(0, B_);
    primed_ = true;
}

void LSRCTimeStretch::Splice() {
    old_ = new_;
    inpos_ = ((inpos_ + hop_) / c_) * c_;

    // The incoming stream may start up to the search range either side of
    // its nominal place and runs on for two segments.
    const int32_t R = range_ * c_;
    const int32_t lo = std::min(old_, inpos_ - R);
    const int32_t hi = std::max(old_ + S_, inpos_ + S2_ + R);
    if (hi - lo < B_ && lo > -S2_ - R) {
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
        // A jump the window cannot span: keep the outgoing stream's segment
        // at the start of the buffer and fetch the incoming stream's reach
        // after it; the next splice rebuilds the window.
        Reposition(inpos_ - R);
        std::memmove(buf_.data(), buf_.data() + old_, size_t(S_) * sizeof(int32_t));
        old_ = 0;
        FillBuffer(S_, S2_ + 2 * R);
        inpos_ = S_ + R;
        primed_ = false;
    }

    shift_ = Align();
    new_ = inpos_ + shift_;
    if (ramp_ > 0) {
        hop_ += int32_t((int64_t(targetHop_ - hop_) * S_) / ramp_);
        ramp_ -= S_;
        if (ramp_ < 1) hop_ = targetHop_;
    }
    k_ = 0;
}

int32_t LSRCTimeStretch::Align() {
    const int32_t c = c_, D = range_, L = match_, q = q_;
    if (D <= 0) return 0;
    const int32_t* b = buf_.data();
    auto mono = [&](const int32_t* p) {
        int64_t sum = 0;
        for (int32_t ch = 0; ch < c; ++ch) sum += p[ch];
        return int32_t(std::clamp<int64_t>(sum / c, -kMonoMax, kMonoMax));
    };
    // The outgoing stream's segment, and the incoming stream's reach: the
    // candidate at offset d (frames) is cand_[D + d ...].
    int32_t* t = target_.data();
    int32_t* x = cand_.data();
    for (int32_t i = 0; i < L; ++i) t[i] = mono(b + old_ + i * c);
    const int32_t n = 2 * D + L;
    for (int32_t j = 0; j < n; ++j) x[j] = mono(b + inpos_ + (j - D) * c);

    // Coarse: sums of q frames, offsets in steps of q.
    const int32_t Dq = D / q, Lq = L / q, count = 2 * Dq + 1;
    const int32_t lenQ = int32_t(targetQ_.size());
    const int32_t first = D - Dq * q;  // cand_ index of the coarse offset -Dq * q
    int32_t peak = 0;
    auto boxed = [&](const int32_t* p) {
        int32_t s = 0;
        for (int32_t r = 0; r < q; ++r) s += p[r];
        peak = std::max(peak, s < 0 ? -s : s);
        return s;
    };
    // The sums fit 32 bits: q * 2^20 with q at most 341 (2730 / 8).
    int32_t* tq = targetSum_.data();
    int32_t* xq = candSum_.data();
    for (int32_t i = 0; i < Lq; ++i) tq[i] = boxed(t + i * q);
    for (int32_t j = 0; j < count + Lq - 1; ++j) xq[j] = boxed(x + first + j * q);
    int32_t sh = 0;
    while ((peak >> sh) > kCoarseMax) ++sh;
    std::fill(targetQ_.begin(), targetQ_.end(), int16_t(0));
    std::fill(candQ_.begin(), candQ_.end(), int16_t(0));
    for (int32_t i = 0; i < Lq; ++i) targetQ_[size_t(i)] = int16_t(tq[i] >> sh);
    for (int32_t j = 0; j < count + Lq - 1; ++j) candQ_[size_t(j)] = int16_t(xq[j] >> sh);
    correlate_(targetQ_.data(), candQ_.data(), lenQ, count, dots_.data());

    // The best few coarse peaks: a decimated signal keeps too little of the
    // upper spectrum to rank close peaks reliably.
    const int16_t* xs = candQ_.data();
    int64_t energy = 0;
    for (int32_t i = 0; i < Lq; ++i) energy += int32_t(xs[i]) * xs[i];
    double* sc = scores_.data();
    for (int32_t m = 0; m < count; ++m) {
        if (m > 0) energy += int32_t(xs[m + Lq - 1]) * xs[m + Lq - 1] - int32_t(xs[m - 1]) * xs[m - 1];
        sc[m] = Score(dots_[size_t(m)], energy);
    }
    int32_t peaks[kPeaks];
    int32_t found = 0;
    for (int32_t m = 0; m < count; ++m) {
        // Peaks of positive correlation (a plateau gives several).
        if (!(sc[m] > 0.0) || (m > 0 && sc[m - 1] > sc[m]) || (m + 1 < count && sc[m + 1] > sc[m])) continue;
        // Insert, best first; equal scores keep the nearer offset first.
        int32_t at = found;
        while (at > 0 && (sc[peaks[at - 1]] < sc[m] ||
                          (sc[peaks[at - 1]] == sc[m] && std::abs(peaks[at - 1] - Dq) > std::abs(m - Dq))))
            --at;
        if (at >= kPeaks) continue;
        for (int32_t i = std::min(found, kPeaks - 1); i > at; --i) peaks[i] = peaks[i - 1];
        peaks[at] = m;
        found = std::min(found + 1, kPeaks);
    }
    if (found == 0) return 0;  // nothing correlates, as over silence: stay at the nominal place
    if (q == 1) return (peaks[0] - Dq) * c;

    // Fine: every offset within one coarse step of each peak, at the full rate.
    auto fineScore = [&](int32_t d) {
        const int32_t* y = x + D + d;
        int64_t dot = 0, e = 0;
        for (int32_t i = 0; i < L; ++i) {
            dot += int64_t(t[i]) * y[i];
            e += int64_t(y[i]) * y[i];
        }
        return Score(dot, e);
    };
    int32_t best = (peaks[0] - Dq) * q;
    double bestScore = fineScore(best);
    // The outgoing stream's own continuation, when in reach, splices
    // seamlessly; the decimated search can miss it by half a step.
    const int32_t onward = (old_ - inpos_) / c;
    if (onward >= -D && onward <= D && onward != best) {
        const double s = fineScore(onward);
        if (s > bestScore || (s == bestScore && std::abs(onward) < std::abs(best))) {
            best = onward;
            bestScore = s;
        }
    }
    for (int32_t p = 0; p < found; ++p) {
        const int32_t centre = (peaks[p] - Dq) * q;
        for (int32_t d = std::max(-D, centre - q); d <= std::min(D, centre + q); ++d) {
            if (d == best) continue;
            const double s = fineScore(d);
            if (s > bestScore || (s == bestScore && std::abs(d) < std::abs(best))) {
                best = d;
                bestScore = s;
            }
        }
    }
    return best * c;
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

int32_t LSRCTimeStretch::GetPosition() { return pInput->GetPosition() + (new_ - shift_ - fill_) / c_; }

int32_t LSRCTimeStretch::GetLength() { return hop_ >= 0 ? pInput->GetLength() : 2 * GetPosition(); }

void LSRCTimeStretch::Seek(int32_t position) {
    pInput->Seek(position);
    Restart();
}

void LSPTimeStretch::OpenSource(LSoundSourcePtr& result, const LSoundSourcePtr& input) {
    result = MakeSource<LSRCTimeStretch>(input, dFactor, dTargetFactor, iRampTime);
}

}  // namespace sondrel
