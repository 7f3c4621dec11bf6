#include "formats/ogg/LVorbisFile.h"

#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "formats/LDecodedSource.h"
#include "formats/LEncodedSink.h"
#include "formats/LWaveFile.h"
#include "formats/ogg/LOggIO.h"
#include "support/LFailure.h"

namespace sondrel {

namespace {

size_t ReadCb(void* ptr, size_t size, size_t count, void* me) {
    size_t bytes = size * count;
    if (size == 0 || bytes == 0) return 0;
    uint32_t got = static_cast<LFile*>(me)->Read(ptr, uint32_t(std::min<size_t>(bytes, 1u << 20)));
    return got / size;
}
int SeekCb(void* me, ogg_int64_t offset, int whence) { return SeekFile(*static_cast<LFile*>(me), offset, whence); }
long TellCb(void* me) { return long(static_cast<LFile*>(me)->Tell()); }

class LVorbisSource : public LSRCDecoded {
public:
    // vf is open over *file (both owned from here on).
    LVorbisSource(std::unique_ptr<LFile> f, std::unique_ptr<OggVorbis_File> vf, const char* path)
        : LSRCDecoded(int32_t(ov_info(vf.get(), -1)->rate), uint32_t(ov_info(vf.get(), -1)->channels),
                      VorbisSpeakers(uint32_t(ov_info(vf.get(), -1)->channels)), Total(vf.get()), f->Size(), path),
          file(std::move(f)),
          pFile(std::move(vf)) {
        nStreamChans = ov_info(pFile.get(), -1)->channels;
        nStreamRate = ov_info(pFile.get(), -1)->rate;
    }
    ~LVorbisSource() override { ov_clear(pFile.get()); }

protected:
    bool DecodeMore() override {
        for (int tries = 0; tries < 64; ++tries) {
            float** pcm = nullptr;
            int link = 0;
            long got = ov_read_float(pFile.get(), &pcm, 4096, &link);
            if (got == 0) return false;
            if (got == OV_HOLE) {
                MarkDamaged();  // pages missing: decoding goes on after them
                continue;
            }
            if (got < 0) {
                MarkDamaged();
                return false;
            }
            const vorbis_info* vi = ov_info(pFile.get(), link);
            if (!vi || vi->channels != nStreamChans || vi->rate != nStreamRate) {
                // A chained stream of another format: the file is read up to it.
                MarkDamaged();
                return false;
            }
            DeliverFloat(pcm, 1, int32_t(got));
            return true;
        }
        MarkDamaged();
        return false;
    }
    bool SeekDecoder(int64_t frame) override {
        if (!ov_seekable(pFile.get())) return false;
        return (frame == 0 ? ov_raw_seek(pFile.get(), 0) : ov_pcm_seek(pFile.get(), frame)) == 0;
    }

private:
    static int64_t Total(OggVorbis_File* vf) {
        ogg_int64_t t = ov_seekable(vf) ? ov_pcm_total(vf, -1) : -1;
        return t >= 0 ? int64_t(t) : -1;
    }

    std::unique_ptr<LFile> file;
    std::unique_ptr<OggVorbis_File> pFile;
    int nStreamChans = 0;
    long nStreamRate = 0;
};

}  // namespace

LSoundSourcePtr OpenVorbisSource(const char* path, bool noteFailure) {
    auto f = std::make_unique<LFile>();
    if (!path || !f->Open(path, LFile::kRead)) {
        NoteFailure(f->Error(), path ? path : "");
        return LSoundSourcePtr();
    }
    auto vf = std::make_unique<OggVorbis_File>();
    ov_callbacks cb = {ReadCb, SeekCb, nullptr, TellCb};
    if (ov_open_callbacks(f.get(), vf.get(), nullptr, 0, cb) != 0) {
        if (noteFailure) NoteFailure(LFailure::kNotAudio, path);
        return LSoundSourcePtr();
    }
    const vorbis_info* vi = ov_info(vf.get(), -1);
    if (!vi || vi->channels < 1 || vi->channels > 255 || vi->rate < 1 || vi->rate > LWaveFile::kMaxSampleRate) {
        ov_clear(vf.get());
        if (noteFailure) NoteFailure(LFailure::kNotAudio, path);
        return LSoundSourcePtr();
    }
    LOpenReport& report = OpenReport();
    if (report.szPath == path) {
        report.format = LStoredFormat{16, false, uint32_t(vi->channels)};
        if (const vorbis_comment* vc = ov_comment(vf.get(), -1))
            for (int i = 0; i < vc->comments; ++i)
                if (vc->user_comments[i] && vc->comment_lengths[i] >= 0)
                    ReadVorbisComment(report.tags, vc->user_comments[i], size_t(vc->comment_lengths[i]));
    }
    return MakeSource<LVorbisSource>(std::move(f), std::move(vf), path);
}

// ---------------------------------------------------------------- writer

namespace {

class LVorbisSink : public LSNKEncodedFile {
public:
    LVorbisSink(const char* path, int32_t rate, uint32_t chans, int32_t quality, const LAudioTags& tags);
    ~LVorbisSink() override {
        Finish();
        Clear();
    }
    void Write(const int32_t* buffer, int32_t n) override;
    bool Finish() override;

private:
    // Hands the analysed blocks to the Ogg stream and writes its full pages
    // (all pages when flush).
    void Drain(bool flush);
    void PutPage(const ogg_page& page);
    void Clear();

    bool bStarted = false;
    vorbis_info vi{};
    vorbis_comment vc{};
    vorbis_dsp_state vd{};
    vorbis_block vb{};
    ogg_stream_state os{};
};

LVorbisSink::LVorbisSink(const char* path, int32_t rate, uint32_t chans, int32_t quality, const LAudioTags& tags)
    : LSNKEncodedFile(path, rate, chans, 255) {
    if (HasError()) return;
    vorbis_info_init(&vi);
    float q = float(std::clamp(quality, kVorbisMinQuality, kVorbisMaxQuality)) / 10.0f;
    if (vorbis_encode_init_vbr(&vi, long(nChans), long(rate), q) != 0) {
        vorbis_info_clear(&vi);
        NoteFailure(LFailure::kNotEncodable, szPath);
        SetError();
        return;
    }
    vorbis_comment_init(&vc);
    for (const std::string& c : VorbisComments(tags)) {
        size_t eq = c.find('=');
        vorbis_comment_add_tag(&vc, c.substr(0, eq).c_str(), c.substr(eq + 1).c_str());
    }
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    // A fixed serial number: the same document saves to the same bytes.
    ogg_stream_init(&os, 0x536F6E64);
    bStarted = true;
    ogg_packet id, comments, books;
    vorbis_analysis_headerout(&vd, &vc, &id, &comments, &books);
    ogg_stream_packetin(&os, &id);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &books);
    // The headers end on pages of their own, so audio starts on a fresh page.
    ogg_page page;
    while (!HasError() && ogg_stream_flush(&os, &page)) PutPage(page);
}

void LVorbisSink::Clear() {
    if (!bStarted) return;
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    bStarted = false;
}

void LVorbisSink::PutPage(const ogg_page& page) {
    if (LSNKEncodedFile::Put(page.header, uint32_t(page.header_len))) LSNKEncodedFile::Put(page.body, uint32_t(page.body_len));
}

void LVorbisSink::Drain(bool flush) {
    ogg_packet packet;
    ogg_page page;
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
        vorbis_analysis(&vb, nullptr);
        vorbis_bitrate_addblock(&vb);
        while (vorbis_bitrate_flushpacket(&vd, &packet)) {
            ogg_stream_packetin(&os, &packet);
            while (ogg_stream_pageout(&os, &page)) PutPage(page);
        }
    }
    if (flush)
        while (ogg_stream_flush(&os, &page)) PutPage(page);
}

void LVorbisSink::Write(const int32_t* buffer, int32_t n) {
    if (n <= 0) return;
    nPosition += n;
    if (HasError() || !bStarted) return;
    float** planes = vorbis_analysis_buffer(&vd, n);
    const float scale = 1.0f / 524288.0f;  // the engine's full scale
    for (uint32_t c = 0; c < nChans; ++c)
        for (int32_t i = 0; i < n; ++i) planes[c][i] = float(buffer[size_t(i) * nChans + c]) * scale;
    vorbis_analysis_wrote(&vd, n);
    Drain(false);
}

bool LVorbisSink::Finish() {
    if (bStarted) {
        vorbis_analysis_wrote(&vd, 0);  // the end of the stream
        Drain(true);
        Clear();
    }
    return CloseFile();
}

}  // namespace

LSoundSinkPtr OpenVorbisSink(const char* path, int32_t rate, uint32_t chans, int32_t quality, const LAudioTags& tags) {
    return MakeSink<LVorbisSink>(path, rate, chans, quality, tags);
}

}  // namespace sondrel
