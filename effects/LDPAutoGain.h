// Automatic gain control in two passes. The analysis pass copies the audio
// into a temporary file ("lca") while it measures each channel's block levels
// (high-passed at 450 Hz, boosted above 2200 Hz) into a second file ("lcp")
// and a histogram. The writing pass reads the copy back through
// LDPSRCAutoGain, which steers a per-channel gain from the levels one second
// ahead, and pumps it into the sink.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "core/LProgress.h"
#include "core/LSoundStream.h"
#include "effects/LEffectOperations.h"
#include "effects/LEffectTable.h"
#include "support/LFile.h"

namespace sondrel {

struct LAutoGainParams {
    uint8_t bTrim = 0;
    uint8_t nUpperSmoothing = 2;   // the smoothed level stays above -2 dB when falling
    int8_t iSmoothingFloor = -8;   // ... and below +8 dB when rising
    int8_t iCurveThreshold = -9;   // below: constant boost
    double dCurveSlope = -0.5;     // dB of gain per dB between threshold and knee
    uint8_t nCurveKnee = 2;        // above: -1 dB of gain per dB
    int32_t nHighFreq = 2200;
    int32_t nLowFreq = 450;
};

constexpr int32_t kLevelBins = 255;  // -127..127 dB

// Reference level of one channel from its histogram of block levels (bin
// L + 127): the median of the blocks within 15 dB below the level where the
// loudest eighth starts. An empty histogram gives -127.
int32_t AutoGainReferenceLevel(const uint32_t histogram[kLevelBins]);

// Gain curve in dB indexed by relative level d + 128.
void BuildAutoGainCurve(int8_t curve[256], const LAutoGainParams& params);

// Follows the last 50 relative levels (one second of blocks): a quantile Q
// (the 13th highest entry) and a smoothed level S that rises towards Q
// quickly and falls slowly, within the smoothing limits.
class LAutoGainTracker {
public:
    static constexpr int kRing = 50;
    static constexpr int kAbove = 12;

    explicit LAutoGainTracker(const LAutoGainParams& params = LAutoGainParams());
    void Reset();
    void Push(int32_t level);  // a new record replaces the oldest
    void Advance();            // after the last record: only the ring moves on
    int32_t Oldest() const { return iRing[nPos]; }
    int32_t Quantile() const { return iQ; }
    int32_t Smoothed() const { return iSi; }
    double SmoothedExact() const { return dS; }

private:
    void Smooth();
    int32_t CountAtOrAbove(int32_t level) const;

    int32_t iRing[kRing];
    uint32_t nHist[kLevelBins];
    int32_t nPos = 0;
    int32_t iQ = 0;
    double dS = 0;
    int32_t iSi = 0;
    int32_t iRiseLimit, iFallLimit;
};

// Shared by the processor and its source, so that the files outlive neither
// and are deleted exactly once.
struct LAutoGainFiles {
    LFile fAudio, fLevels;
    std::string szAudioPath, szLevelPath;
    ~LAutoGainFiles() { Remove(); }
    void Remove();
};

// Source over the two files: rate and channels of the analysed audio, whole
// blocks of N frames, the last block fading to silence.
class LDPSRCAutoGain : public LSoundSourceBase {
public:
    LDPSRCAutoGain(std::shared_ptr<LAutoGainFiles> files, int32_t rate, int32_t chans, int32_t blockFrames,
                   int32_t blocks, const std::vector<int32_t>& references, const LAutoGainParams& params);
    void Read(int32_t* buffer, int32_t n) override;
    int32_t GetPosition() override { return nPosition; }
    int32_t GetLength() override { return nBlocks * nBlock; }
    void Seek(int32_t position) override;

    // Target gain (8.24) of a channel from the tracker's present state.
    int32_t TargetGain(int32_t channel) const;

private:
    void Rewind();
    void Boundary();  // the start of block nBlockIndex
    void FeedTracker();
    void ReadFrames(int32_t* buffer, int32_t frames);

    std::shared_ptr<LAutoGainFiles> files_;
    int32_t nBlock, nBlocks;
    std::vector<int32_t> iRef;
    std::vector<int8_t> iLevels;    // blocks x channels, as measured
    std::vector<int32_t> iRelative;  // per block: largest relative level over the channels
    int8_t iCurve[256];
    LAutoGainTracker tracker_;
    int32_t nFed = 0;        // records given to the tracker
    int32_t nBlockIndex = 0;  // block now being output
    int32_t nInBlock = 0;     // frames of it output
    int32_t nPosition = 0;
    int32_t nFilePos = -1;  // frame the audio file stands at
    std::vector<int32_t> g_, step_;
};

class LDPAutoGain {
public:
    enum State { kFinished = 0, kAnalysing = 1, kWriting = 2 };

    // tempFolder: where the two files go (the system's temporary folder by
    // default); an empty folder, an unusable source or a failed sink leave
    // the processor finished and failed.
    LDPAutoGain(const LSoundSourcePtr& source, const LSoundSinkPtr& sink,
                const LAutoGainParams& params = LAutoGainParams(), const std::string& tempFolder = TempFolder());
    ~LDPAutoGain();
    LDPAutoGain(const LDPAutoGain&) = delete;
    LDPAutoGain& operator=(const LDPAutoGain&) = delete;

    // Analyses or writes one block; true once there is nothing more to do.
    bool Step();
    int State() const { return nState; }
    // True when the run ended without producing its output.
    bool Failed() const { return bFailed; }

    int32_t BlockFrames() const { return nBlock; }
    int32_t Blocks() const { return nBlocks; }
    const std::vector<int32_t>& References() const { return iRef; }
    const std::string& AudioPath() const { return files_->szAudioPath; }
    const std::string& LevelPath() const { return files_->szLevelPath; }

private:
    void Fail();
    void Analyse();
    void FinishAnalysis();
    void Write();

    int nState = kFinished;
    bool bFailed = false;
    LSoundSourcePtr pSource;
    LSoundSinkPtr pSink;
    LSoundSourcePtr pOutput;
    std::shared_ptr<LAutoGainFiles> files_;
    LAutoGainParams params_;
    int32_t nBlock = 20;
    int32_t nChans = 1;
    std::vector<int32_t> block_;
    std::vector<int8_t> levels_;
    int32_t aLow = 0, aHigh = 0;
    std::vector<int64_t> s1_, s2_;
    std::vector<uint32_t> hist_;  // kLevelBins per channel
    int32_t nBlocks = 0;
    std::vector<int32_t> iRef;
};

// The loop of the auto gain operation: one block per step, cancel polled
// before each. Cancelled: the processor and its files are gone before this
// returns; failed when the processor could not produce its output.
LProcessResult RunAutoGain(LProgress* progress, const LSoundSourcePtr& source, const LSoundSinkPtr& sink,
                           const LAutoGainParams& params = LAutoGainParams(), const std::string& tempFolder = TempFolder());

// The two passes over the job's selection: the result replaces it (a whole
// number of analysis blocks, its last block faded to silence, so the
// selection's length changes to that). The two working files go to
// tempFolder (empty: the cut tank's folder, where a run that dies leaves
// them for the next start to remove) and are deleted when the operation
// ends, also when it is cancelled. Without a working folder it fails and
// leaves the selection alone.
LProcessResult AutoGainSelection(LProgress* progress, const LEffectJob& job, const std::string& tempFolder);

// The Automatic Gain Control command.
extern const LEffectDesc kAutoGainControlEffect;

}  // namespace sondrel
