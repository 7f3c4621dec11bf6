// Segment summaries: for every block of kSummaryBlockFrames frames of a
// segment file, the smallest and largest sample over all channels (counted
// from 0), kept beside the segment as "<index>.pks". They let a waveform
// display take the peaks of long stretches without reading the audio.
//
// Keeping them in step with their segments: a segment is written once by one
// cut-list writer and never changed, so the writer makes the summary when it
// completes the segment, and the tank deletes it with the segment. The
// summary's header names the channel count and frame count of the segment
// it describes; a summary that does not match its segment file is not used
// (the display then reads the samples), and BuildSegmentSummary makes it
// anew from the segment alone, for segments kept from an earlier run.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/LPeakRange.h"
#include "support/LFile.h"

namespace sondrel {

class LCutListAudio;

constexpr int32_t kSummaryBlockFrames = 256;

// "…\12.aud" -> "…\12.pks" (the segment path with its extension replaced).
std::string SummaryPath(const std::string& segmentPath);

// Deletes the summary of a segment, if there is one.
void DeleteSegmentSummary(const std::string& segmentPath);

// Makes the summary of an existing segment file from its samples.
bool BuildSegmentSummary(const std::string& segmentPath, uint32_t chans);

// The summary of a segment while its writer is still filling it, for a
// display that draws a file as it loads: it may be read from any thread
// while the writer adds to it. It answers at block resolution: a stretch
// gets the extremes of every whole block it touches, so a column's peak can
// be a little wider than its samples' until the segment's own summary
// replaces this one.
class LGrowingSummary {
public:
    explicit LGrowingSummary(uint32_t chans) : nChans(chans ? chans : 1) {}
    uint32_t Channels() const { return nChans; }
    // Frames in the whole blocks so far.
    int64_t Frames() const;
    // True once the writer has finished (the segment is complete).
    bool IsComplete() const;
    // Merges into r the extremes of the whole blocks that overlap frames
    // [from, to); false (r unchanged) when that stretch has not arrived yet.
    bool ReadPeakRange(int64_t from, int64_t to, LPeakRange& r) const;

private:
    friend class LSegmentSummaryBuilder;
    const uint32_t nChans;
    mutable std::mutex mtx;
    std::vector<LPeakRange> vBlocks;  // whole blocks
    bool bComplete = false;
};

// Collects the summary while a segment is written.
class LSegmentSummaryBuilder {
public:
    explicit LSegmentSummaryBuilder(uint32_t chans)
        : nChans(chans ? chans : 1), pBlocks(std::make_shared<LGrowingSummary>(nChans)) {}
    // What has been summarized so far, readable while the segment is written.
    std::shared_ptr<const LGrowingSummary> Growing() const { return pBlocks; }

    // Frames written at the current position.
    void Add(const int32_t* samples, int32_t frames);
    // The writer moves to frame position: what lies in the file between
    // the last whole block before it and it is summarized again from the
    // file (file is left anywhere; the caller positions it afterwards).
    void Seek(LFile& file, int32_t position);
    // Nothing more can be trusted (a failed write): no summary is written.
    void Abandon() { bValid = false; }
    // Writes the summary for the completed segment file (read back where
    // the file holds frames that were not added) to path, or deletes path
    // when the summary cannot be trusted or written.
    bool Finish(LFile& segment, const std::string& path);

private:
    void AddZeros(int64_t frames);
    void Reread(LFile& file, int64_t from, int64_t to);
    void CloseBlock();

    uint32_t nChans;
    bool bValid = true;
    int64_t nFrames = 0;             // frames summarized
    LPeakRange rPartial;             // the block being filled
    // Whole blocks, shared with readers; the builder alone changes them,
    // under their lock, and reads them without it.
    std::shared_ptr<LGrowingSummary> pBlocks;
    std::vector<LPeakRange>& vBlocks = pBlocks->vBlocks;
    std::vector<LPeakRange> vNew;    // closed since the last hand-over
    void HandOver();
};

// Reads one segment's summary and, for the partial blocks at the edges of
// a stretch, the segment's own samples.
class LSegmentPeaks {
public:
    // Usable only when the summary exists and matches the segment file.
    LSegmentPeaks(const std::string& segmentPath, uint32_t chans);
    bool IsUsable() const { return bUsable; }
    // Merges into r the extremes of segment frames [from, to) as the
    // cut-list reader delivers them with the cut gain (8.24) applied.
    // False (r unchanged) when the gain cannot be mapped exactly.
    bool Read(int64_t from, int64_t to, int32_t gain, LPeakRange& r);

private:
    bool ReadRaw(int64_t from, int64_t to, int32_t gain, LPeakRange& r);

    uint32_t nChans;
    int64_t nFrames = 0;
    bool bUsable = false;
    LFile fSummary;
    LFile fSegment;
    std::vector<int32_t> vBuffer;
};

// True when MulGain(s, gain) is monotone over lo..hi (no 32-bit wrap, gain
// not negative), so that the extremes of the products are the products of
// the extremes.
bool GainKeepsOrder(int32_t lo, int32_t hi, int32_t gain);

// The peak reader of one cut-list reader: walks the cuts of its list and
// asks each segment's summary (opened once per segment).
class LCutListPeaks {
public:
    explicit LCutListPeaks(const LCutListAudio& list);
    ~LCutListPeaks();
    bool Read(int32_t from, int32_t to, LPeakRange& r);

private:
    LSegmentPeaks* Segment(uint16_t index);

    const LCutListAudio& rList;
    int32_t nLength;
    const void* pCursor = nullptr;  // cut node where the last stretch began
    int32_t nCursorStart = 0;       // its first frame in the list
    std::unordered_map<uint16_t, std::unique_ptr<LSegmentPeaks>> mSegments;  // opened lazily
};

}  // namespace sondrel
