#include "formats/ogg/LOpusFile.h"

#include <opus/opusenc.h>
#include <opus/opusfile.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "formats/LDecodedSource.h"
#include "formats/LEncodedSink.h"
#include "formats/ogg/LOggIO.h"
#include "support/LFailure.h"

namespace sondrel {

namespace {

int ReadCb(void* me, unsigned char* ptr, int bytes) {
    if (bytes <= 0) return 0;
    return int(static_cast<LFile*>(me)->Read(ptr, uint32_t(bytes)));
}
int SeekCb(void* me, opus_int64 offset, int whence) { return SeekFile(*static_cast<LFile*>(me), offset, whence); }
opus_int64 TellCb(void* me) { return static_cast<LFile*>(me)->Tell(); }

// The longest Opus packet: 120 ms at 48000 Hz.
constexpr int kMaxPacketFrames = 5760;

class LOpusSource : public LSRCDecoded {
public:
    LOpusSource(std::unique_ptr<LFile> f, OggOpusFile* of, uint32_t chans, const char* path)
        : LSRCDecoded(kOpusRate, chans, VorbisSpeakers(chans), Total(of), f->Size(), path),
          file(std::move(f)),
          pFile(of),
          nStreamChans(chans) {
        aPcm.resize(size_t(kMaxPacketFrames) * chans);
    }
    ~LOpusSource() override { op_free(pFile); }

protected:
    bool DecodeMore() override {
        for (int tries = 0; tries < 64; ++tries) {
            int link = 0;
            int got = op_read_float(pFile, aPcm.data(), int(aPcm.size()), &link);
            if (got == 0) return false;
            if (got == OP_HOLE) {
                MarkDamaged();  // pages missing: decoding goes on after them
                continue;
            }
            if (got < 0) {
                MarkDamaged();
                return false;
            }
            if (uint32_t(op_channel_count(pFile, link)) != nStreamChans) {
                MarkDamaged();  // a chained stream of another channel count
                return false;
            }
            std::vector<const float*> planes(nStreamChans);
            for (uint32_t c = 0; c < nStreamChans; ++c) planes[c] = aPcm.data() + c;
            DeliverFloat(planes.data(), nStreamChans, got);
            return true;
        }
        MarkDamaged();
        return false;
    }
    bool SeekDecoder(int64_t frame) override {
        if (!op_seekable(pFile)) return false;
        return (frame == 0 ? op_raw_seek(pFile, 0) : op_pcm_seek(pFile, frame)) == 0;
    }

private:
    static int64_t Total(OggOpusFile* of) {
        ogg_int64_t t = op_seekable(of) ? op_pcm_total(of, -1) : -1;
        return t >= 0 ? int64_t(t) : -1;
    }

    std::unique_ptr<LFile> file;
    OggOpusFile* pFile;
    uint32_t nStreamChans;
    std::vector<float> aPcm;
};

}  // namespace

LSoundSourcePtr OpenOpusSource(const char* path) {
    auto f = std::make_unique<LFile>();
    if (!path || !f->Open(path, LFile::kRead)) {
        NoteFailure(f->Error(), path ? path : "");
        return LSoundSourcePtr();
    }
    OpusFileCallbacks cb = {ReadCb, SeekCb, TellCb, nullptr};
    int error = 0;
    OggOpusFile* of = op_open_callbacks(f.get(), &cb, nullptr, 0, &error);
    if (!of) {
        NoteFailure(LFailure::kNotAudio, path);
        return LSoundSourcePtr();
    }
    int chans = op_channel_count(of, -1);
    if (chans < 1 || chans > 255) {
        op_free(of);
        NoteFailure(LFailure::kNotAudio, path);
        return LSoundSourcePtr();
    }
    LOpenReport& report = OpenReport();
    if (report.szPath == path) {
        report.format = LStoredFormat{16, false, uint32_t(chans)};
        if (const OpusTags* t = op_tags(of, -1))
            for (int i = 0; i < t->comments; ++i)
                if (t->user_comments[i] && t->comment_lengths[i] >= 0)
                    ReadVorbisComment(report.tags, t->user_comments[i], size_t(t->comment_lengths[i]));
    }
    return MakeSource<LOpusSource>(std::move(f), of, uint32_t(chans), path);
}

// ---------------------------------------------------------------- writer

namespace {

class LOpusSink : public LSNKEncodedFile {
public:
    LOpusSink(const char* path, uint32_t chans, int32_t bitRateKbps, const LAudioTags& tags);
    ~LOpusSink() override { Finish(); }
    void Write(const int32_t* buffer, int32_t n) override;
    bool Finish() override;

private:
    static int WriteCb(void* me, const unsigned char* ptr, opus_int32 len) {
        return len >= 0 && static_cast<LOpusSink*>(me)->Put(ptr, uint32_t(len)) ? 0 : 1;
    }
    static int CloseCb(void*) { return 0; }  // the sink closes its file itself

    OggOpusEnc* pEncoder = nullptr;
    std::vector<float> aBlock;
};

LOpusSink::LOpusSink(const char* path, uint32_t chans, int32_t bitRateKbps, const LAudioTags& tags)
    : LSNKEncodedFile(path, kOpusRate, chans, 2) {
    if (HasError()) return;
    OggOpusComments* comments = ope_comments_create();
    if (!comments) {
        SetError();
        return;
    }
    for (const std::string& c : VorbisComments(tags)) {
        size_t eq = c.find('=');
        ope_comments_add(comments, c.substr(0, eq).c_str(), c.substr(eq + 1).c_str());
    }
    OpusEncCallbacks cb = {WriteCb, CloseCb};
    int error = 0;
    pEncoder = ope_encoder_create_callbacks(&cb, this, comments, kOpusRate, int(nChans), 0, &error);
    ope_comments_destroy(comments);  // the encoder keeps its own copy
    if (!pEncoder) {
        NoteFailure(LFailure::kNotEncodable, szPath);
        SetError();
        return;
    }
    int32_t kbps = std::clamp(bitRateKbps, kOpusMinBitRate, kOpusMaxBitRate);
    ope_encoder_ctl(pEncoder, OPUS_SET_BITRATE(kbps * 1000));
    // A fixed serial number: the same document saves to the same bytes.
    ope_encoder_ctl(pEncoder, OPE_SET_SERIALNO(0x536F6E64));
    aBlock.resize(size_t(kMaxBlockFrames) * nChans);
}

void LOpusSink::Write(const int32_t* buffer, int32_t n) {
    if (n <= 0) return;
    nPosition += n;
    if (HasError() || !pEncoder) return;
    while (n > 0 && !HasError()) {
        int32_t k = std::min(n, kMaxBlockFrames);
        size_t count = size_t(k) * nChans;
        for (size_t i = 0; i < count; ++i) aBlock[i] = float(buffer[i]) * (1.0f / 524288.0f);
        if (ope_encoder_write_float(pEncoder, aBlock.data(), k) != OPE_OK) FileFailed();
        buffer += count;
        n -= k;
    }
}

bool LOpusSink::Finish() {
    if (pEncoder) {
        if (!HasError() && ope_encoder_drain(pEncoder) != OPE_OK) FileFailed();
        ope_encoder_destroy(pEncoder);
        pEncoder = nullptr;
    }
    return CloseFile();
}

}  // namespace

LSoundSinkPtr OpenOpusSink(const char* path, uint32_t chans, int32_t bitRateKbps, const LAudioTags& tags) {
    return MakeSink<LOpusSink>(path, chans, bitRateKbps, tags);
}

}  // namespace sondrel
