#include "formats/gsm/LGSMFile.h"

#include <cstring>

#include "support/LFailure.h"

namespace sondrel {

namespace {
constexpr int32_t kFramesPerIO = 52;  // frames written per file call (one 8192-sample block)
constexpr int32_t kFramesAhead = 1986;  // frames read per file call (64 KiB)
}

LGSMFileSource::LGSMFileSource(const char* path) : LSoundSourceBase(kGSMSampleRate, 1, kGSMPeakBound) {
    if (!path || !file.Open(path, LFile::kRead)) {
        NoteFailure(file.Error(), path ? path : "");
        SetError();
        return;
    }
    int64_t frames = file.Size() / kGSMFrameBytes;  // a trailing partial frame is ignored
    if (frames < 0) frames = 0;
    if (frames > kMaxStreamFrames / kGSMFrameSamples) {
        // More samples than positions can count: refused, not cut short.
        NoteFailure(LFailure::kTooLong, path);
        file.Close();
        SetError();
        return;
    }
    nLength = int32_t(frames) * kGSMFrameSamples;
}

const uint8_t* LGSMFileSource::NextFrame() {
    if (nAheadHeld - nAheadNext < uint32_t(kGSMFrameBytes)) {
        if (vAhead.empty()) vAhead.resize(size_t(kFramesAhead) * kGSMFrameBytes);
        nAheadHeld = file.IsOpen() ? file.Read(vAhead.data(), uint32_t(vAhead.size())) : 0;
        nAheadNext = 0;
        if (nAheadHeld < uint32_t(kGSMFrameBytes)) {
            nAheadHeld = 0;
            return nullptr;
        }
    }
    const uint8_t* frame = vAhead.data() + nAheadNext;
    nAheadNext += kGSMFrameBytes;
    return frame;
}

void LGSMFileSource::DecodeFrames(int32_t* out, int32_t frames) {
    for (; frames > 0; --frames, out += kGSMFrameSamples) {
        if (const uint8_t* frame = NextFrame())
            codec.DecodeNormal(frame, out);
        else
            std::memset(out, 0, kGSMFrameSamples * sizeof(int32_t));
    }
}

void LGSMFileSource::Read(int32_t* buffer, int32_t n) {
    if (n <= 0) return;
    int32_t start = nPosition;
    nPosition += n;
    if (nPosition <= 0) {
        std::memset(buffer, 0, size_t(n) * sizeof(int32_t));
        return;
    }
    int32_t* out = buffer;
    int32_t want = n;
    if (start < 0) {
        std::memset(out, 0, size_t(-start) * sizeof(int32_t));
        out += -start;
        want += start;
        start = 0;
    }
    const int32_t avail = nLength > start ? nLength - start : 0;
    if (want > avail) {
        std::memset(out + avail, 0, size_t(want - avail) * sizeof(int32_t));
        want = avail;
    }

    int32_t take = kGSMFrameSamples - iNext;
    if (take > want) take = want;
    std::memcpy(out, aFrame + iNext, size_t(take) * sizeof(int32_t));
    iNext += take;
    out += take;
    want -= take;

    const int32_t whole = want / kGSMFrameSamples;
    DecodeFrames(out, whole);
    out += whole * kGSMFrameSamples;
    want -= whole * kGSMFrameSamples;

    if (want > 0) {
        DecodeFrames(aFrame, 1);
        std::memcpy(out, aFrame, size_t(want) * sizeof(int32_t));
        iNext = want;
    }
}

void LGSMFileSource::Seek(int32_t position) {
    codec.Reset();
    iNext = kGSMFrameSamples;
    nAheadHeld = nAheadNext = 0;  // the file is read afresh from the new place
    nPosition = position;
    if (position > 0 && position <= nLength) {
        file.Seek(int64_t(position / kGSMFrameSamples) * kGSMFrameBytes);
        DecodeFrames(aFrame, 1);
        iNext = position % kGSMFrameSamples;
    } else if (position > nLength) {
        file.Seek(int64_t(nLength / kGSMFrameSamples) * kGSMFrameBytes);
    } else {
        file.Seek(0);
    }
}

LGSMFileSink::LGSMFileSink(const char* path) : LSoundSinkBase(kGSMSampleRate, 1), szPath(path ? path : "") {
    if (!path || !file.Open(path, LFile::kCreate)) {
        NoteFailure(file.Error(), szPath);
        SetError();
    }
}

LGSMFileSink::~LGSMFileSink() { Finish(); }

void LGSMFileSink::Put(const uint8_t* bytes, uint32_t count) {
    if (HasError() || file.Write(bytes, count) == count) return;
    NoteFailure(file.Error(), szPath);
    SetError();
}

bool LGSMFileSink::Finish() {
    if (!file.IsOpen()) return !HasError();
    if (nFill > 0) {
        std::memset(aInput + nFill, 0, size_t(kGSMFrameSamples - nFill) * sizeof(int32_t));
        uint8_t frame[kGSMFrameBytes];
        codec.EncodeNormal(aInput, frame);
        Put(frame, kGSMFrameBytes);
        nFill = 0;
    }
    bool ok = HasError() || file.Flush();
    if ((!file.Close() || !ok) && !HasError()) {
        NoteFailure(file.Error(), szPath);
        SetError();
    }
    return !HasError();
}

void LGSMFileSink::Write(const int32_t* buffer, int32_t n) {
    if (n <= 0) return;
    nPosition += n;
    if (!file.IsOpen() || HasError()) return;
    uint8_t bytes[kFramesPerIO * kGSMFrameBytes];
    int32_t filled = 0;  // bytes waiting in 'bytes'
    int32_t i = 0;
    while (i < n) {
        if (nFill == 0 && n - i >= kGSMFrameSamples) {
            codec.EncodeNormal(buffer + i, bytes + filled);
            i += kGSMFrameSamples;
        } else {
            int32_t take = kGSMFrameSamples - nFill;
            if (take > n - i) take = n - i;
            std::memcpy(aInput + nFill, buffer + i, size_t(take) * sizeof(int32_t));
            nFill += take;
            i += take;
            if (nFill < kGSMFrameSamples) break;
            codec.EncodeNormal(aInput, bytes + filled);
            nFill = 0;
        }
        filled += kGSMFrameBytes;
        if (filled == int32_t(sizeof bytes)) {
            Put(bytes, uint32_t(filled));
            filled = 0;
        }
    }
    if (filled > 0) Put(bytes, uint32_t(filled));
}

LSoundSourcePtr OpenGSMSource(const char* path) { return MakeSource<LGSMFileSource>(path); }
LSoundSinkPtr OpenGSMSink(const char* path) { return MakeSink<LGSMFileSink>(path); }

}  // namespace sondrel
