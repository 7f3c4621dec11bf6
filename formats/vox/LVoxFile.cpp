#include "formats/vox/LVoxFile.h"

#include <cstring>

#include "support/LFailure.h"

namespace sondrel {

LSRCVOX::LSRCVOX(const char* path, int32_t rate) : LSoundSourceBase(rate, 1, kVoxPeakBound) {
    if (!path || !file.Open(path, LFile::kRead)) {
        NoteFailure(file.Error(), path ? path : "");
        SetError();
        return;
    }
    int64_t samples = file.Size() * 2;
    if (samples < 0) samples = 0;
    if (samples > kMaxStreamFrames) {
        // More samples than positions can count: refused, not cut short.
        NoteFailure(LFailure::kTooLong, path);
        file.Close();
        SetError();
        return;
    }
    nLength = int32_t(samples);
}

void LSRCVOX::Read(int32_t* buffer, int32_t n) {
    if (n <= 0) return;
    const int32_t start = nPosition;
    nPosition += n;
    int32_t* out = buffer;
    int32_t want = n;
    if (start < 0) {
        const int32_t z = -start < n ? -start : n;
        std::memset(out, 0, size_t(z) * sizeof(int32_t));
        out += z;
        want -= z;
    }
    if (want > 0 && bPending) {
        *out++ = codec.Decode(byPending & 15);
        --want;
        bPending = false;
    }
    uint8_t bytes[kVoxChunkSamples / 2];
    while (want > 0) {
        const int32_t chunk = want < kVoxChunkSamples ? want : kVoxChunkSamples;
        const uint32_t need = uint32_t(chunk + 1) / 2;
        const uint32_t got = file.Read(bytes, need);
        int32_t done = 0;
        for (uint32_t b = 0; b < got; ++b) {
            out[done++] = codec.Decode(bytes[b] >> 4);
            if (done == chunk) {  // the request ends after a high nibble
                byPending = bytes[b];
                bPending = true;
                break;
            }
            out[done++] = codec.Decode(bytes[b] & 15);
        }
        if (done < chunk) std::memset(out + done, 0, size_t(chunk - done) * sizeof(int32_t));
        out += chunk;
        want -= chunk;
    }
}

void LSRCVOX::Seek(int32_t position) {
    nPosition = position;
    bPending = false;
    if (position <= 0) {
        file.Seek(0);
        return;
    }
    file.Seek(position >> 1);
    if (position & 1) {
        // Odd position: the sample is the low nibble of its byte.
        uint8_t b;
        if (file.Read(&b, 1) == 1) {
            byPending = b;
            bPending = true;
        }
    }
}

LSNKVOX::LSNKVOX(const char* path, int32_t rate) : LSoundSinkBase(rate, 1), szPath(path ? path : "") {
    if (!path || !file.Open(path, LFile::kCreate)) {
        NoteFailure(file.Error(), szPath);
        SetError();
    }
}

LSNKVOX::~LSNKVOX() { Finish(); }

bool LSNKVOX::Finish() {
    if (!file.IsOpen()) return !HasError();
    bool ok = HasError() || file.Flush();
    if ((!file.Close() || !ok) && !HasError()) {
        NoteFailure(file.Error(), szPath);
        SetError();
    }
    return !HasError();
}

void LSNKVOX::Write(const int32_t* buffer, int32_t n) {
    if (n <= 0) return;
    nPosition += n;
    if (!file.IsOpen() || HasError()) return;
    uint8_t bytes[kVoxChunkSamples / 2];
    for (int32_t i = 0; i < n;) {
        const int32_t end = n - i < kVoxChunkSamples ? n : i + kVoxChunkSamples;
        uint32_t nb = 0;
        for (; i < end; ++i) {
            const uint32_t code = codec.Encode(buffer[i]);
            if (bPending) {
                bytes[nb++] = uint8_t((byPending << 4) | code);
                bPending = false;
            } else {
                byPending = uint8_t(code);
                bPending = true;
            }
        }
        if (nb > 0 && file.Write(bytes, nb) != nb) {
            NoteFailure(file.Error(), szPath);
            SetError();
            return;
        }
    }
}

LSoundSourcePtr OpenVOXSource(const char* path, int32_t rate) { return MakeSource<LSRCVOX>(path, rate); }
LSoundSinkPtr OpenVOXSink(const char* path, int32_t rate) { return MakeSink<LSNKVOX>(path, rate); }

const char* const kVoxRateChoices[11] = {"6000",  "8000",  "11025", "16000", "22050", "32000",
                                         "44100", "48000", "64000", "88200", "96000"};
const char* const kVoxRateErrorText = "Sample rates must be between 6000 and 96000 samples per second.";
const char* const kVoxRateErrorTitle = "Error";

bool ParseVoxSampleRate(const char* text, int32_t* rate) {
    if (!text) return false;
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p < '0' || *p > '9') return false;
    int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (value <= kVoxMaxRate) value = value * 10 + (*p - '0');
    }
    while (*p == ' ' || *p == '\t') ++p;
    if (*p != '\0' || value < kVoxMinRate || value > kVoxMaxRate) return false;
    if (rate) *rate = int32_t(value);
    return true;
}

}  // namespace sondrel
