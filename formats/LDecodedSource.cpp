#include "formats/LDecodedSource.h"

#include <algorithm>

#include "formats/LOpenReport.h"

namespace sondrel {

LSRCDecoded::LSRCDecoded(int32_t rate, uint32_t fileChans, const std::vector<uint32_t>& speakers,
                         int64_t declaredFrames, int64_t fileBytes, const std::string& path)
    : LSoundSourceBase(rate, std::min<uint32_t>(std::max<uint32_t>(fileChans, 1), 2), kMax16),
      szPath(path),
      narrow(fileChans, speakers, DitherSeed(fileBytes)) {
    nCap = std::min<int64_t>(std::max<int64_t>(fileBytes, 1) * kMaxFramesPerFileByte, kMaxStreamFrames);
    nDeclared = declaredFrames >= 0 ? std::min(declaredFrames, nCap) : -1;
    if (fileChans > 2 && OpenReport().szPath == path) OpenReport().nMixedFrom = fileChans;
}

void LSRCDecoded::Failed() {
    SetError();
    End();
    nEnd = 0;
}

void LSRCDecoded::MarkDamaged() {
    if (OpenReport().szPath == szPath) OpenReport().bDamaged = true;
}

void LSRCDecoded::End() {
    // Less than the file declares: it was cut short or damaged.
    if (!bEnded && nDeclared >= 0 && nDelivered < nDeclared && !HasError()) MarkDamaged();
    bEnded = true;
    nEnd = nDelivered;
}

void LSRCDecoded::Reported() {
    if (narrow.nClipped == nClippedReported) return;
    if (OpenReport().szPath == szPath) OpenReport().nClipped += narrow.nClipped - nClippedReported;
    nClippedReported = narrow.nClipped;
}

void LSRCDecoded::DeliverInt(const int32_t* const* planes, size_t step, int32_t frames, uint32_t bits) {
    if (frames <= 0 || bEnded) return;
    frames = int32_t(std::min<int64_t>(frames, nCap - nDelivered));
    if (frames <= 0) return;
    size_t at = aQueue.size();
    aQueue.resize(at + size_t(frames) * nChans);
    narrow.FromInt(planes, step, frames, bits, nDelivered, aQueue.data() + at);
    nDelivered += frames;
}

void LSRCDecoded::DeliverFloat(const float* const* planes, size_t step, int32_t frames) {
    if (frames <= 0 || bEnded) return;
    frames = int32_t(std::min<int64_t>(frames, nCap - nDelivered));
    if (frames <= 0) return;
    size_t at = aQueue.size();
    aQueue.resize(at + size_t(frames) * nChans);
    narrow.FromFloat(planes, step, frames, nDelivered, aQueue.data() + at);
    nDelivered += frames;
    Reported();
}

bool LSRCDecoded::Fill() {
    if (bEnded || HasError()) return false;
    if (iHead > 0) {
        aQueue.erase(aQueue.begin(), aQueue.begin() + ptrdiff_t(iHead));
        iHead = 0;
    }
    while (aQueue.empty()) {
        if (nDelivered >= nCap) {
            // More audio than the file's size can hold: made up by damage.
            MarkDamaged();
            End();
            return false;
        }
        if (!DecodeMore()) {
            End();
            return false;
        }
    }
    return true;
}

void LSRCDecoded::Read(int32_t* buffer, int32_t n) {
    if (n <= 0) return;
    nPosition += n;
    size_t chans = nChans;
    int32_t p = nPosition;
    if (p <= 0 || HasError()) {
        std::fill(buffer, buffer + size_t(n) * chans, 0);
        return;
    }
    int32_t lead = n > p ? n - p : 0;
    std::fill(buffer, buffer + size_t(lead) * chans, 0);
    int32_t* out = buffer + size_t(lead) * chans;
    int32_t want = n - lead;
    while (want > 0) {
        size_t queued = (aQueue.size() - iHead) / chans;
        if (queued == 0) {
            if (!Fill()) break;
            continue;
        }
        int32_t k = int32_t(std::min<size_t>(queued, size_t(want)));
        std::copy_n(aQueue.data() + iHead, size_t(k) * chans, out);
        iHead += size_t(k) * chans;
        out += size_t(k) * chans;
        want -= k;
        nNext += k;
    }
    std::fill(out, out + size_t(want) * chans, 0);
    nNext += want;
}

int32_t LSRCDecoded::GetLength() {
    if (nEnd >= 0) return int32_t(nEnd);
    if (nDeclared >= 0) return int32_t(nDeclared);
    return int32_t(std::min<int64_t>(std::max<int64_t>(nPosition, 0) + kMaxBlockFrames + 1, nCap));
}

void LSRCDecoded::Seek(int32_t p) {
    if (HasError()) return;
    nPosition = p;
    int64_t target = std::max<int32_t>(p, 0);
    aQueue.clear();
    iHead = 0;
    nNext = target;
    if (nEnd >= 0 && target >= nEnd) {
        // Past the end: zeros, and the decoder need not move.
        bEnded = true;
        nDelivered = nEnd;
        return;
    }
    bEnded = false;
    nDelivered = target;  // a decoder may deliver the target's piece while it seeks
    if (SeekDecoder(target)) return;
    // Decode from the start and drop what lies before the target.
    aQueue.clear();
    nDelivered = 0;
    if (!SeekDecoder(0)) {
        aQueue.clear();
        nDelivered = target;
        End();
        return;
    }
    while (nDelivered < target) {
        aQueue.clear();
        if (nDelivered >= nCap || !DecodeMore()) {
            End();
            aQueue.clear();
            return;
        }
    }
    // Keep only the frames from the target on.
    size_t drop = size_t(target - (nDelivered - int64_t(aQueue.size() / nChans))) * nChans;
    aQueue.erase(aQueue.begin(), aQueue.begin() + ptrdiff_t(drop));
}

}  // namespace sondrel
