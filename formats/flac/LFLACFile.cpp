#include "formats/flac/LFLACFile.h"

#include <FLAC/metadata.h>
#include <FLAC/stream_decoder.h>
#include <FLAC/stream_encoder.h>

#include <algorithm>
#include <string>
#include <vector>

#include "formats/LDecodedSource.h"
#include "formats/LEncodedSink.h"
#include "formats/LWaveFile.h"
#include "support/LFailure.h"
#include "support/LFile.h"

namespace sondrel {

namespace {

// A gap in the frames' sample numbers up to this long is filled with
// silence (a frame lost to damage); a longer one is a damaged number.
constexpr int64_t kMaxGapFrames = 65536;

class LFLACSource : public LSRCDecoded {
public:
    static LSoundSourcePtr Open(const char* path);
    ~LFLACSource() override {
        if (pDecoder) FLAC__stream_decoder_delete(pDecoder);
        delete pSetup;
    }

protected:
    bool DecodeMore() override;
    bool SeekDecoder(int64_t frame) override;

private:
    LFLACSource(LFile&& f, FLAC__StreamDecoder* dec, const FLAC__StreamMetadata_StreamInfo& info, const char* path)
        : LSRCDecoded(int32_t(info.sample_rate), info.channels, WaveSpeakers(info.channels, 0),
                      info.total_samples ? int64_t(info.total_samples) : -1, f.Size(), path),
          file(std::move(f)),
          pDecoder(dec),
          nStreamChans(info.channels) {}

    static FLAC__StreamDecoderReadStatus ReadCb(const FLAC__StreamDecoder*, FLAC__byte* buffer, size_t* bytes,
                                                void* me);
    static FLAC__StreamDecoderSeekStatus SeekCb(const FLAC__StreamDecoder*, FLAC__uint64 offset, void* me);
    static FLAC__StreamDecoderTellStatus TellCb(const FLAC__StreamDecoder*, FLAC__uint64* offset, void* me);
    static FLAC__StreamDecoderLengthStatus LengthCb(const FLAC__StreamDecoder*, FLAC__uint64* length, void* me);
    static FLAC__bool EofCb(const FLAC__StreamDecoder*, void* me);
    static FLAC__StreamDecoderWriteStatus WriteCb(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                                  const FLAC__int32* const buffer[], void* me);
    static void MetadataCb(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* m, void* me);
    static void ErrorCb(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* me);

    // Setup: the file and what the metadata said, before the source exists.
    struct Setup {
        LFile* file;
        bool bHaveInfo = false;
        FLAC__StreamMetadata_StreamInfo info{};
        LAudioTags tags;
        LFLACSource* source = nullptr;
    };
    static Setup& SetupOf(void* me) { return *static_cast<Setup*>(me); }

    LFile file;
    FLAC__StreamDecoder* pDecoder;
    uint32_t nStreamChans;
    bool bDelivered = false;  // the last process call handed over audio
    std::vector<int32_t> aSilence;
    Setup* pSetup = nullptr;
};

// The callbacks reach the source through a Setup that lives as long as the
// decoder; during opening it holds the file before the source exists.
FLAC__StreamDecoderReadStatus LFLACSource::ReadCb(const FLAC__StreamDecoder*, FLAC__byte* buffer, size_t* bytes,
                                                  void* me) {
    if (*bytes == 0) return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
    uint32_t got = SetupOf(me).file->Read(buffer, uint32_t(std::min<size_t>(*bytes, 1u << 20)));
    *bytes = got;
    return got ? FLAC__STREAM_DECODER_READ_STATUS_CONTINUE : FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
}

FLAC__StreamDecoderSeekStatus LFLACSource::SeekCb(const FLAC__StreamDecoder*, FLAC__uint64 offset, void* me) {
    LFile& f = *SetupOf(me).file;
    if (offset > FLAC__uint64(f.Size())) return FLAC__STREAM_DECODER_SEEK_STATUS_ERROR;
    return f.Seek(int64_t(offset)) ? FLAC__STREAM_DECODER_SEEK_STATUS_OK : FLAC__STREAM_DECODER_SEEK_STATUS_ERROR;
}

FLAC__StreamDecoderTellStatus LFLACSource::TellCb(const FLAC__StreamDecoder*, FLAC__uint64* offset, void* me) {
    int64_t at = SetupOf(me).file->Tell();
    if (at < 0) return FLAC__STREAM_DECODER_TELL_STATUS_ERROR;
    *offset = FLAC__uint64(at);
    return FLAC__STREAM_DECODER_TELL_STATUS_OK;
}

FLAC__StreamDecoderLengthStatus LFLACSource::LengthCb(const FLAC__StreamDecoder*, FLAC__uint64* length, void* me) {
    int64_t size = SetupOf(me).file->Size();
    if (size < 0) return FLAC__STREAM_DECODER_LENGTH_STATUS_ERROR;
    *length = FLAC__uint64(size);
    return FLAC__STREAM_DECODER_LENGTH_STATUS_OK;
}

FLAC__bool LFLACSource::EofCb(const FLAC__StreamDecoder*, void* me) {
    LFile& f = *SetupOf(me).file;
    return f.Tell() >= f.Size();
}

FLAC__StreamDecoderWriteStatus LFLACSource::WriteCb(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                                    const FLAC__int32* const buffer[], void* me) {
    LFLACSource* s = SetupOf(me).source;
    if (!s) return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;  // audio before the metadata ended
    const FLAC__FrameHeader& h = frame->header;
    if (h.channels != s->nStreamChans) {
        s->MarkDamaged();  // a frame that does not belong to this stream
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    }
    int32_t frames = int32_t(h.blocksize);
    const FLAC__int32* const* planes = buffer;
    std::vector<const FLAC__int32*> moved;
    if (h.number_type == FLAC__FRAME_NUMBER_TYPE_SAMPLE_NUMBER) {
        int64_t at = int64_t(h.number.sample_number);
        int64_t next = s->Delivered();
        if (at > next && at - next <= kMaxGapFrames) {
            // Frames lost to damage: their time is kept as silence.
            s->MarkDamaged();
            s->aSilence.assign(size_t(at - next), 0);
            std::vector<const int32_t*> z(s->nStreamChans, s->aSilence.data());
            s->DeliverInt(z.data(), 1, int32_t(at - next), 16);
        } else if (at < next && next - at < frames) {
            // Overlaps what was delivered: only the new part counts.
            int32_t skip = int32_t(next - at);
            moved.resize(s->nStreamChans);
            for (uint32_t c = 0; c < s->nStreamChans; ++c) moved[c] = buffer[c] + skip;
            planes = moved.data();
            frames -= skip;
        }
    }
    s->DeliverInt(planes, 1, frames, h.bits_per_sample);
    s->bDelivered = true;
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void LFLACSource::MetadataCb(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* m, void* me) {
    Setup& st = SetupOf(me);
    if (m->type == FLAC__METADATA_TYPE_STREAMINFO) {
        st.info = m->data.stream_info;
        st.bHaveInfo = true;
    } else if (m->type == FLAC__METADATA_TYPE_VORBIS_COMMENT) {
        const FLAC__StreamMetadata_VorbisComment& vc = m->data.vorbis_comment;
        for (FLAC__uint32 i = 0; i < vc.num_comments; ++i)
            ReadVorbisComment(st.tags, reinterpret_cast<const char*>(vc.comments[i].entry), vc.comments[i].length);
    }
}

void LFLACSource::ErrorCb(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* me) {
    if (LFLACSource* s = SetupOf(me).source) s->MarkDamaged();
}

LSoundSourcePtr LFLACSource::Open(const char* path) {
    LFile f;
    if (!path || !f.Open(path, LFile::kRead)) {
        NoteFailure(f.Error(), path ? path : "");
        return LSoundSourcePtr();
    }
    FLAC__StreamDecoder* dec = FLAC__stream_decoder_new();
    if (!dec) {
        NoteFailure(LFailure::kNotAudio, path);
        return LSoundSourcePtr();
    }
    // The setup outlives the open: the decoder keeps calling back through it.
    auto* st = new Setup;
    st->file = &f;
    FLAC__stream_decoder_set_md5_checking(dec, false);
    FLAC__stream_decoder_set_metadata_respond(dec, FLAC__METADATA_TYPE_VORBIS_COMMENT);
    bool ok = FLAC__stream_decoder_init_stream(dec, ReadCb, SeekCb, TellCb, LengthCb, EofCb, WriteCb, MetadataCb,
                                               ErrorCb, st) == FLAC__STREAM_DECODER_INIT_STATUS_OK &&
              FLAC__stream_decoder_process_until_end_of_metadata(dec) && st->bHaveInfo;
    const FLAC__StreamMetadata_StreamInfo& in = st->info;
    if (!ok || in.channels < 1 || in.channels > 8 || in.sample_rate < 1 ||
        in.sample_rate > uint32_t(LWaveFile::kMaxSampleRate) || in.bits_per_sample < 4 || in.bits_per_sample > 32) {
        FLAC__stream_decoder_delete(dec);
        delete st;
        NoteFailure(LFailure::kNotAudio, path);
        return LSoundSourcePtr();
    }
    LOpenReport& report = OpenReport();
    if (report.szPath == path) {
        report.format = LStoredFormat{in.bits_per_sample, false, in.channels};
        report.tags = st->tags;
    }
    auto* s = new LFLACSource(std::move(f), dec, in, path);
    st->file = &s->file;
    st->source = s;
    s->pSetup = st;
    return LSoundSourcePtr(s);
}

bool LFLACSource::DecodeMore() {
    bDelivered = false;
    // Each call decodes one frame (or skips damage); a frame of a made-up
    // channel count delivers nothing, so a bounded number of calls is made.
    for (int tries = 0; tries < 64 && !bDelivered; ++tries) {
        FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(pDecoder);
        if (state == FLAC__STREAM_DECODER_END_OF_STREAM) return false;
        if (state > FLAC__STREAM_DECODER_END_OF_STREAM) {
            MarkDamaged();  // aborted, or the decoder gave up
            return false;
        }
        if (!FLAC__stream_decoder_process_single(pDecoder)) {
            MarkDamaged();
            return false;
        }
    }
    return bDelivered;
}

bool LFLACSource::SeekDecoder(int64_t frame) {
    FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(pDecoder);
    if (state == FLAC__STREAM_DECODER_SEEK_ERROR || state == FLAC__STREAM_DECODER_END_OF_STREAM)
        if (!FLAC__stream_decoder_flush(pDecoder)) return false;
    if (frame == 0) {
        // From the start: a reset reads the metadata again, then decoding goes on.
        if (!FLAC__stream_decoder_reset(pDecoder)) return false;
        pSetup->source = nullptr;
        bool ok = FLAC__stream_decoder_process_until_end_of_metadata(pDecoder);
        pSetup->source = this;
        return ok;
    }
    bool ok = FLAC__stream_decoder_seek_absolute(pDecoder, FLAC__uint64(frame));
    if (!ok) FLAC__stream_decoder_flush(pDecoder);
    return ok;
}

// ---------------------------------------------------------------- writer

class LFLACSink : public LSNKEncodedFile {
public:
    LFLACSink(const char* path, int32_t rate, uint32_t chans, int32_t level, const LAudioTags& tags);
    ~LFLACSink() override {
        Finish();
        if (pComments) FLAC__metadata_object_delete(pComments);
    }
    void Write(const int32_t* buffer, int32_t n) override;
    bool Finish() override;

private:
    static FLAC__StreamEncoderWriteStatus WriteCb(const FLAC__StreamEncoder*, const FLAC__byte buffer[], size_t bytes,
                                                  uint32_t, uint32_t, void* me);
    static FLAC__StreamEncoderSeekStatus SeekCb(const FLAC__StreamEncoder*, FLAC__uint64 offset, void* me);
    static FLAC__StreamEncoderTellStatus TellCb(const FLAC__StreamEncoder*, FLAC__uint64* offset, void* me);

    FLAC__StreamEncoder* pEncoder = nullptr;
    FLAC__StreamMetadata* pComments = nullptr;
    std::vector<FLAC__int32> aBlock;
};

LFLACSink::LFLACSink(const char* path, int32_t rate, uint32_t chans, int32_t level, const LAudioTags& tags)
    : LSNKEncodedFile(path, rate, chans, 8) {
    if (HasError()) return;
    pEncoder = FLAC__stream_encoder_new();
    if (!pEncoder) {
        SetError();
        return;
    }
    FLAC__stream_encoder_set_channels(pEncoder, nChans);
    FLAC__stream_encoder_set_bits_per_sample(pEncoder, 16);
    FLAC__stream_encoder_set_sample_rate(pEncoder, uint32_t(rate));
    FLAC__stream_encoder_set_compression_level(pEncoder, uint32_t(std::clamp(level, 0, kFLACMaxLevel)));
    std::vector<std::string> comments = VorbisComments(tags);
    if (!comments.empty()) {
        pComments = FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT);
        for (const std::string& c : comments) {
            FLAC__StreamMetadata_VorbisComment_Entry e;
            e.length = FLAC__uint32(c.size());
            e.entry = reinterpret_cast<FLAC__byte*>(const_cast<char*>(c.data()));
            if (pComments) FLAC__metadata_object_vorbiscomment_append_comment(pComments, e, /*copy=*/true);
        }
        if (pComments) FLAC__stream_encoder_set_metadata(pEncoder, &pComments, 1);
    }
    if (FLAC__stream_encoder_init_stream(pEncoder, WriteCb, SeekCb, TellCb, nullptr, this) !=
        FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
        FLAC__stream_encoder_delete(pEncoder);
        pEncoder = nullptr;
        NoteFailure(LFailure::kNotEncodable, szPath);
        SetError();
        return;
    }
    aBlock.resize(size_t(kMaxBlockFrames) * nChans);
}

FLAC__StreamEncoderWriteStatus LFLACSink::WriteCb(const FLAC__StreamEncoder*, const FLAC__byte buffer[],
                                                  size_t bytes, uint32_t, uint32_t, void* me) {
    return static_cast<LFLACSink*>(me)->Put(buffer, uint32_t(bytes)) ? FLAC__STREAM_ENCODER_WRITE_STATUS_OK
                                                                      : FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
}

FLAC__StreamEncoderSeekStatus LFLACSink::SeekCb(const FLAC__StreamEncoder*, FLAC__uint64 offset, void* me) {
    return static_cast<LFLACSink*>(me)->file.Seek(int64_t(offset)) ? FLAC__STREAM_ENCODER_SEEK_STATUS_OK
                                                                    : FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
}

FLAC__StreamEncoderTellStatus LFLACSink::TellCb(const FLAC__StreamEncoder*, FLAC__uint64* offset, void* me) {
    int64_t at = static_cast<LFLACSink*>(me)->file.Tell();
    if (at < 0) return FLAC__STREAM_ENCODER_TELL_STATUS_ERROR;
    *offset = FLAC__uint64(at);
    return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
}

void LFLACSink::Write(const int32_t* buffer, int32_t n) {
    if (n <= 0) return;
    nPosition += n;
    if (HasError() || !pEncoder) return;
    while (n > 0 && !HasError()) {
        int32_t k = std::min(n, kMaxBlockFrames);
        size_t count = size_t(k) * nChans;
        for (size_t i = 0; i < count; ++i) aBlock[i] = ToPCM16(buffer[i]);
        if (!FLAC__stream_encoder_process_interleaved(pEncoder, aBlock.data(), uint32_t(k))) FileFailed();
        buffer += count;
        n -= k;
    }
}

bool LFLACSink::Finish() {
    if (pEncoder) {
        // Writes the last frame and the stream information at the file's start.
        bool ok = FLAC__stream_encoder_finish(pEncoder);
        FLAC__stream_encoder_delete(pEncoder);
        pEncoder = nullptr;
        if (!ok) FileFailed();
    }
    return CloseFile();
}

}  // namespace

LSoundSourcePtr OpenFLACSource(const char* path) { return LFLACSource::Open(path); }

LSoundSinkPtr OpenFLACSink(const char* path, int32_t rate, uint32_t chans, int32_t level, const LAudioTags& tags) {
    return MakeSink<LFLACSink>(path, rate, chans, level, tags);
}

}  // namespace sondrel
