// Audio as an ordered list of cuts over segment files of the cut tank. Cut
// lists never own audio: copying one copies the cut records and takes tank
// references, which is what makes editing, the clipboard and undo cheap.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "core/LPeakRange.h"
#include "core/LProgress.h"
#include "core/LSoundStream.h"
#include "document/LAudioCutTank.h"
#include "document/LList.h"
#include "document/LSegmentSummary.h"
#include "support/LFile.h"

namespace sondrel {

// A stretch of one segment file (or of silence) with its own 8.24 gain.
// Every cut object holds one tank reference for its index for as long as it
// exists: constructing or copying one takes it, destroying one releases it.
// Change nIndex only through assignment of a whole cut.
struct LAudioCut {
    LAudioCut() = default;
    LAudioCut(uint16_t index, int32_t length, int32_t gain = kUnityGain, int32_t start = 0);
    LAudioCut(const LAudioCut& other);
    LAudioCut(LAudioCut&& other) noexcept;
    LAudioCut& operator=(const LAudioCut& other);
    LAudioCut& operator=(LAudioCut&& other) noexcept;
    ~LAudioCut();

    bool IsSilent() const { return nIndex == kSilentIndex; }

    uint16_t nIndex = kSilentIndex;
    int32_t nLength = 0;  // frames, >= 0
    int32_t nGain = kUnityGain;
    int32_t nStart = 0;  // first frame within the segment file (0 for silence)
};

using LCutList = LList<LAudioCut>;

class LCutListAudio {
public:
    LCutListAudio() = default;
    LCutListAudio(int32_t rate, uint8_t chans) : nSampleRate(rate), nChans(chans) {}

    // Sum of the cut lengths, in frames.
    int32_t GetLength() const;

    // Edit operations; positions and lengths in frames at this list's rate,
    // ranges [start, end). They only split, shorten, remove, copy and insert
    // cuts and change gains; no sample is read or written.
    void EfDelete(int32_t start, int32_t end);
    void EfCopy(int32_t start, int32_t end, LCutListAudio& destination) const;
    void EfCut(int32_t start, int32_t end, LCutListAudio& destination);
    void EfInsert(int32_t position, const LCutListAudio& other);
    void EfPasteOver(int32_t start, int32_t end, const LCutListAudio& other);
    void EfInsertSilence(int32_t position, int32_t length);
    void EfSilence(int32_t start, int32_t end);
    void EfTrim(int32_t start, int32_t end);
    void EfTrimStart(int32_t position);
    void EfTrimEnd(int32_t position);
    void EfRepeatLoop(int32_t start, int32_t end, int32_t count);
    void EfAmplify(int32_t start, int32_t end, int32_t percent);
    void EfAmplifyAll(int32_t percent);

    int32_t nSampleRate = 44100;
    uint8_t nChans = 1;
    LCutList lstCuts;
};

inline int32_t GetLength(const LCutListAudio& list) { return list.GetLength(); }

// Reader over its own copy of a cut list: later edits of the list do not
// disturb it, and the segments it uses live until it is released. Its
// peaks over a stretch come from the segments' summaries where they exist.
class LSRCCutListAudio : public LSoundSourceBase, public LPeakRangeSource {
public:
    explicit LSRCCutListAudio(const LCutListAudio& list);
    ~LSRCCutListAudio() override;
    void Read(int32_t* buffer, int32_t n) override;
    int32_t GetPosition() override { return nPosition; }
    int32_t GetLength() override { return nLength; }
    void Seek(int32_t position) override;
    bool ReadPeakRange(int32_t from, int32_t to, LPeakRange& r) override;

private:
    void OpenCut(const LAudioCut& cut, int32_t offset);

    LCutListAudio lstAudio;
    LCutList::Node* pCurrent;  // next cut to open
    int32_t nPosition = 0;
    int32_t nLength = 0;
    LFile fFile;
    int32_t nRemaining = 0;
    int32_t nGain = kUnityGain;
    std::unique_ptr<LCutListPeaks> pPeaks;  // made at the first peak request
};

// Writer of one new segment file. When its last reference is released the
// target becomes one cut over that segment with the written length, at the
// writer's rate and channel count. A writer whose file could not be created
// carries the error flag and still delivers its cut, which reads as silence.
// The writer also leaves the segment's summary beside it.
class LSNKCutListAudio : public LSoundSinkBase {
public:
    LSNKCutListAudio(LCutListAudio* target, int32_t rate, uint32_t chans);
    ~LSNKCutListAudio() override;
    void Write(const int32_t* buffer, int32_t n) override;
    // Moves the write position (and the file pointer); a negative position counts as 0.
    void Seek(int32_t position) override;
    // Whether the whole segment reached its file; the file is closed (with
    // its summary made) and the cut delivered at the last release.
    bool Finish() override;
    uint16_t GetIndex() const { return nIndex; }
    // The segment's summary as far as it is written, for a display that
    // draws the audio while it arrives.
    std::shared_ptr<const LGrowingSummary> Overview() const { return summary.Growing(); }

private:
    // Sets the error flag and notes why the segment file failed.
    void Failed();

    LCutListAudio* pTarget;
    uint16_t nIndex;
    std::string szPath;
    LFile fFile;
    LSegmentSummaryBuilder summary;
};

LSoundSourcePtr CreateSource(const LCutListAudio& list);
LSoundSinkPtr CreateSink(LCutListAudio& target, int32_t rate, uint32_t chans);

// Loads a whole source into a cut list: one new segment at the source's rate
// and channel count, replacing the target's cuts (also after a cancel, with
// what was written so far). An unusable source or sink leaves the target as
// it was.
struct LCutListAudioLoadSource {
    std::string szCaption;
    LCutListAudio* pCutList = nullptr;
    LSoundSourcePtr pSource;
    // Set when the copy starts: the new segment's overview as it fills,
    // which may be read (from any thread) while the copy runs and after.
    std::shared_ptr<const LGrowingSummary> pOverview;
};
LProcessResult Process(LProgress* progress, LCutListAudioLoadSource& record);

}  // namespace sondrel
