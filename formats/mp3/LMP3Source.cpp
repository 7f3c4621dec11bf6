#include "formats/mp3/LMP3Source.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sondrel {

namespace {

constexpr int32_t kPreRollFrames = 4;
constexpr int32_t kMaxCandidates = 11;
constexpr int32_t kMaxLength = kMaxStreamFrames;

// Size of an ID3v2 tag at the start of the file, 0 when there is none.
int64_t LeadingTagSize(MP3InputFile& file) {
    uint8_t b[10];
    file.Seek(0);
    if (file.Read(b, 10) < 10) return 0;
    if (b[0] != 'I' || b[1] != 'D' || b[2] != '3' || b[3] == 0xFF || b[4] == 0xFF) return 0;
    if ((b[6] | b[7] | b[8] | b[9]) & 0x80) return 0;
    int64_t size = (int64_t(b[6]) << 21) | (int64_t(b[7]) << 14) | (int64_t(b[8]) << 7) | b[9];
    size += 10;
    if (b[5] & 0x10) size += 10;  // footer
    return size < file.Size() ? size : 0;
}

}  // namespace

LMP3Source::LMP3Source(const char* path) : LSoundSourceBase(44100, 1, 0x200000) {
    if (!path || !file_.Open(path)) {
        NoteFailure(LFile::LastError(), path ? path : "");
        SetError();
        return;
    }
    // Room for a trailing 128-byte tag is always assumed.
    nDataLength = std::max<int64_t>(0, file_.Size() - 128);
    if (!DecodeInitialHeader()) {
        NoteFailure(LFailure::kNotAudio, path);
        SetError();
        return;
    }
    SetSampleRate(hdrReference.SampleRate());
    SetChannels(uint32_t(hdrReference.Channels()));
    bStereo = hdrReference.IsStereo();
    nSamplesPerFrame = hdrReference.SamplesPerFrame();
    fFrameBytes = double(hdrReference.version == 0 ? 144 : 72) * hdrReference.bitrate / hdrReference.SampleRate();
    // The estimate counts the data after a leading tag.
    nLength = FramesToSamples(double(std::max<int64_t>(0, nDataLength - nDataStart)) / fFrameBytes + 0.9);
    if (nLength >= kMaxLength) {
        // More samples than positions can count: refused, not cut short.
        NoteFailure(LFailure::kTooLong, path);
        SetError();
        return;
    }

    decoder_.Setup(hdrReference);
    decoder_.ResetState();
    frameBuf_.assign(size_t(nSamplesPerFrame) * nChans, 0);
    nFrameNext = nSamplesPerFrame;
    body_.assign(2048, 0);
    nScanPos = nDataStart;
    file_.Seek(nDataStart);
}

LMP3Source::~LMP3Source() = default;

bool LMP3Source::DecodeInitialHeader() {
    // A leading ID3v2 tag is stepped over; if no frame is found after it the
    // search runs from the start of the file instead.
    auto probe = [&](int64_t start) {
        int64_t offset = start;
        int64_t sum = 0;
        int32_t found = 0;
        MP3Header h;
        file_.Seek(offset);
        // Up to 8 frames; the offset advances by each frame's length from the
        // start of the data, and each search scans forward from there.
        for (int32_t i = 0; i < 8; ++i) {
            if (!h.ReadHeader(file_)) break;
            sum += h.bitrate;
            ++found;
            hdrReference = h;
            offset += h.FrameLength();
            file_.Seek(offset);
        }
        if (found == 0) return false;
        hdrReference.bitrate = int32_t(sum / found);
        nDataStart = start;
        file_.Seek(start);
        return true;
    };
    const int64_t tag = LeadingTagSize(file_);
    return probe(tag) || (tag > 0 && probe(0));
}

bool LMP3Source::DecodeHeader(MP3Header& h, int64_t* where) {
    for (int32_t i = 0; i < kMaxCandidates; ++i) {
        if (!h.ReadHeader(file_, where)) return false;
        if (h.version == hdrReference.version && h.sampling_frequency == hdrReference.sampling_frequency &&
            h.IsStereo() == bStereo)
            return true;
    }
    return false;
}

void LMP3Source::AppendEntry(const MP3Header& h, int64_t where) {
    FrameEntry e;
    e.nOffset = where;
    e.nOutput = nIndexedOutputs;
    e.nMainBytes = uint16_t(std::min(h.MainDataSize(), 2048));
    e.nBackBytes = uint16_t(h.version == 0 ? (body_[0] << 1 | body_[1] >> 7) : body_[0]);
    e.nHeldBefore = uint16_t(nSimHeld);
    // The reservoir as the decoder keeps it when reading from the start.
    const bool complete = e.nBackBytes <= nSimHeld;
    int32_t keep = complete ? e.nBackBytes : nSimHeld;
    keep = std::min<int32_t>(keep, 2048 - e.nMainBytes);
    nSimHeld = keep + e.nMainBytes;
    e.bOutput = complete && h.Channels() == nChans;
    if (e.bOutput) ++nIndexedOutputs;
    index_.push_back(e);
    nScanPos = file_.Tell();
}

bool LMP3Source::ReadFrame(MP3Header& h, int32_t* entry) {
    int64_t where = 0;
    bool ok = DecodeHeader(h, &where);
    const uint32_t size = ok ? uint32_t(h.SideInfoSize() + h.MainDataSize()) : 0;
    if (ok && (size > body_.size() || file_.Read(body_.data(), size) < size)) ok = false;
    if (!ok) {
        if (nNextEntry >= int32_t(index_.size())) bIndexComplete = true;
        return false;
    }
    if (nNextEntry < int32_t(index_.size()) && index_[size_t(nNextEntry)].nOffset != where) {
        // The file no longer reads as it did: forget what follows.
        const FrameEntry& e = index_[size_t(nNextEntry)];
        nSimHeld = e.nHeldBefore;
        nIndexedOutputs = e.nOutput;
        index_.resize(size_t(nNextEntry));
        bIndexComplete = false;
    }
    if (nNextEntry == int32_t(index_.size())) AppendEntry(h, where);
    *entry = nNextEntry++;
    return true;
}

LMP3Source::FrameResult LMP3Source::DecodeNextFrame(int32_t* out) {
    MP3Header h;
    int32_t entry = 0;
    if (!ReadFrame(h, &entry)) return kFrameEnd;
    if (decoder_.Decode(h, body_.data(), out, nChans) != MP3FrameDecoder::kDecoded) return kFrameSkipped;
    RenewLength((index_[size_t(entry)].nOutput + 1) * nSamplesPerFrame);
    return kFrameDecoded;
}

bool LMP3Source::DecodeFrame(int32_t* out) {
    for (;;) {
        FrameResult r = DecodeNextFrame(out);
        if (r == kFrameDecoded) return true;
        if (r == kFrameEnd) return false;
    }
}

int32_t LMP3Source::FramesToSamples(double frames) const {
    // Positions are 32-bit: an estimate for a larger file stops at the limit.
    const double samples = std::floor(frames) * nSamplesPerFrame;
    return samples >= double(kMaxLength) ? kMaxLength : int32_t(samples);
}

void LMP3Source::RenewLength(int32_t frameEnd) {
    const int64_t unread = std::max<int64_t>(0, nDataLength - file_.Tell());
    int32_t length = int32_t(std::min<int64_t>(int64_t(frameEnd) + FramesToSamples(double(unread) / fFrameBytes + 0.9),
                                               kMaxLength));
    // While bytes remain the next frame may still be there: never claim the
    // end before decoding has found it (a reader that trusts the length
    // would otherwise drop the last frames of a file without a trailing tag).
    if (length == frameEnd && file_.Tell() < file_.Size()) length += nSamplesPerFrame;
    nLength = length;
}

void LMP3Source::Read(int32_t* buffer, int32_t n) {
    if (n <= 0) return;
    const int32_t chans = nChans;
    const int32_t start = nPosition;
    nPosition += n;
    if (HasError() || start > nLength) {
        std::memset(buffer, 0, size_t(n) * chans * sizeof(int32_t));
        return;
    }
    int32_t done = 0;
    if (start < 0) {
        done = int32_t(std::min<int64_t>(n, -int64_t(start)));
        std::memset(buffer, 0, size_t(done) * chans * sizeof(int32_t));
    }
    const int32_t spf = nSamplesPerFrame;
    while (done < n) {
        if (nFrameNext < spf) {
            int32_t take = std::min(spf - nFrameNext, n - done);
            std::memcpy(buffer + size_t(done) * chans, frameBuf_.data() + size_t(nFrameNext) * chans,
                        size_t(take) * chans * sizeof(int32_t));
            nFrameNext += take;
            done += take;
        } else if (n - done >= spf) {
            if (!DecodeFrame(buffer + size_t(done) * chans)) break;
            done += spf;
        } else {
            if (!DecodeFrame(frameBuf_.data())) break;
            nFrameNext = 0;
        }
    }
    if (done < n) {
        // Decoding has stopped: silence from here, and the length is exact.
        std::memset(buffer + size_t(done) * chans, 0, size_t(n - done) * chans * sizeof(int32_t));
        nLength = start + done;
    }
}

int32_t LMP3Source::FindOutputEntry(int32_t n) {
    while (nIndexedOutputs <= n && !bIndexComplete) {
        // Extend the index by reading frames without decoding them.
        file_.Seek(nScanPos);
        nNextEntry = int32_t(index_.size());
        MP3Header h;
        int32_t entry;
        if (!ReadFrame(h, &entry)) break;
    }
    if (nIndexedOutputs <= n) return -1;
    auto it = std::lower_bound(index_.begin(), index_.end(), n,
                               [](const FrameEntry& e, int32_t v) { return e.nOutput + e.bOutput <= v; });
    return int32_t(it - index_.begin());
}

void LMP3Source::Seek(int32_t position) {
    nPosition = position;
    if (HasError()) return;
    const int32_t spf = nSamplesPerFrame;
    // The target is limited to the start of the file, not to the length
    // estimate: a variable-bit-rate file can be longer than estimated, and
    // the frame index tells whether the target exists.
    const int32_t t = std::max(position, 0);
    const int32_t target = t / spf;
    const int32_t offset = t % spf;
    nFrameNext = spf;

    const int32_t eT = FindOutputEntry(target);
    if (eT < 0) {
        // The stream ends before the target: its length is now known.
        nLength = nIndexedOutputs * spf;
        nNextEntry = int32_t(index_.size());
        file_.Seek(file_.Size());
        return;
    }

    // Pre-roll: at least four frames, and enough that the frames just before
    // the target, and the target itself, find all their main data in bytes
    // read after the jump (the reservoir still holds bytes of elsewhere).
    int32_t eS = std::max(0, eT - kPreRollFrames);
    auto covered = [&](int32_t s) {
        for (int32_t j = std::max(s, eT - 2); j <= eT; ++j) {
            int32_t sum = 0;
            for (int32_t i = s; i < j; ++i) sum += index_[size_t(i)].nMainBytes;
            if (index_[size_t(j)].nBackBytes > sum) return false;
        }
        return true;
    };
    while (eS > 0 && !covered(eS)) --eS;

    file_.Seek(index_[size_t(eS)].nOffset);
    nNextEntry = eS;
    decoder_.ResetState();
    for (int32_t e = eS; e < eT; ++e)
        if (DecodeNextFrame(frameBuf_.data()) == kFrameEnd) return;
    if (DecodeNextFrame(frameBuf_.data()) == kFrameDecoded) nFrameNext = offset;
}

LSoundSourcePtr OpenMP3Source(const char* path) {
    LMP3Source* src = new LMP3Source(path);
    if (src->HasError()) {
        delete src;
        return LSoundSourcePtr();
    }
    return LSoundSourcePtr(src);
}

}  // namespace sondrel
