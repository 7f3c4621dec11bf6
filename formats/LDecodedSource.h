// Base of the readers whose decoder hands out pieces of its own size (FLAC
// frames, Vorbis and Opus packets): it queues what the decoder delivers in
// the engine's format, hands it out in the blocks the stream asks for, reads
// zeros before frame 0 and past the end, and ends the stream where decoding
// stops. Damage, and a stream shorter than its file declares, is noted in
// the open report; no stream grows past 1000 frames per byte of its file,
// whatever a damaged or made-up header claims (a document load would write
// all of it to the disk).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/LSoundStream.h"
#include "formats/LSampleNarrow.h"

namespace sondrel {

// The most frames a reader makes of one byte of its file.
constexpr int64_t kMaxFramesPerFileByte = 1000;

class LSRCDecoded : public LSoundSourceBase {
public:
    void Read(int32_t* buffer, int32_t n) override;
    int32_t GetPosition() override { return nPosition; }
    // The declared length until the end has been met, the exact one after.
    // A stream that declares none reports one block more than read so far
    // until its end is found.
    int32_t GetLength() override;
    void Seek(int32_t p) override;

protected:
    // fileChans and speakers: as decoded (mixed down to stereo when more
    // than two); declaredFrames: the length the file states, or -1.
    LSRCDecoded(int32_t rate, uint32_t fileChans, const std::vector<uint32_t>& speakers, int64_t declaredFrames,
                int64_t fileBytes, const std::string& path);

    // Decodes the next piece and hands it over with Deliver...; false at the
    // end of the stream (after MarkDamaged when it ended at damage).
    virtual bool DecodeMore() = 0;
    // Makes the next DecodeMore start at frame (0 <= frame); false when the
    // decoder cannot get there directly.
    virtual bool SeekDecoder(int64_t frame) = 0;

    void DeliverInt(const int32_t* const* planes, size_t step, int32_t frames, uint32_t bits);
    void DeliverFloat(const float* const* planes, size_t step, int32_t frames);
    void MarkDamaged();
    // The file frame the next delivered frame stands for.
    int64_t Delivered() const { return nDelivered; }
    // A setup failure: the error flag, and the stream holds nothing.
    void Failed();

    std::string szPath;

private:
    bool Fill();  // false when nothing more comes
    void End();
    void Reported();

    LSampleNarrow narrow;
    std::vector<int32_t> aQueue;  // frames decoded and not yet handed out
    size_t iHead = 0;             // first queued sample
    int64_t nNext = 0;            // file frame of the queue's head
    int64_t nDelivered = 0;       // frames the decoder handed over (file index after the last)
    int64_t nDeclared;
    int64_t nCap;
    int64_t nEnd = -1;            // frame where the stream ends, once met
    bool bEnded = false;          // the decoder stands at its end
    int32_t nPosition = 0;
    int64_t nClippedReported = 0;
};

}  // namespace sondrel
