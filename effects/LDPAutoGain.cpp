#include "effects/LDPAutoGain.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/LSRCPeakLimit.h"
#include "document/LAudioCutTank.h"
#include "document/LCutListEdit.h"
#include "effects/LDynamics.h"

namespace sondrel {

namespace {

inline int32_t ClampDB(int32_t v) { return std::clamp(v, -127, 127); }

int32_t FilterCoefficient(double hz, int32_t rate) {
    if (rate < 1) return 0;
    return int32_t((1.0 - std::exp(-6.283185307 * hz / rate)) * 256.0);
}

}  // namespace

// ---------------------------------------------------------------------------
// Reference level and gain curve

int32_t AutoGainReferenceLevel(const uint32_t histogram[kLevelBins]) {
    auto count = [&](int32_t level) { return histogram[level + 127]; };
    uint32_t total = 0;
    for (int32_t i = 0; i < kLevelBins; ++i) total += histogram[i];
    if (total == 0) return -127;

    // Walk up from the bottom while what lies above still holds more than
    // an eighth of the blocks: the loudest eighth starts at l1.
    uint32_t q = (total + 8) >> 3;
    uint32_t remaining = total;
    int32_t l1 = -127;
    while (l1 < 127 && remaining - count(l1) > q) remaining -= count(l1++);

    // Take back the 15 dB below it and find the median of that window.
    int32_t low = std::max(l1 - 15, -127);
    for (int32_t l = l1 - 1; l >= low; --l) remaining += count(l);
    uint32_t h = (remaining + 2) >> 1;
    int32_t ref = low;
    while (ref < 127 && remaining - count(ref) > h) remaining -= count(ref++);
    return ref;
}

void BuildAutoGainCurve(int8_t curve[256], const LAutoGainParams& params) {
    double x = params.iCurveThreshold * params.dCurveSlope;
    for (int32_t d = -128; d <= 127; ++d) {
        double r = std::round(x);  // half away from zero
        curve[d + 128] = int8_t(std::clamp(r, -127.0, 127.0));
        if (d >= params.nCurveKnee)
            x -= 1.0;
        else if (d >= params.iCurveThreshold)
            x += params.dCurveSlope;
    }
}

// ---------------------------------------------------------------------------
// Level tracker

LAutoGainTracker::LAutoGainTracker(const LAutoGainParams& params)
    : iRiseLimit(-params.iSmoothingFloor), iFallLimit(-int32_t(params.nUpperSmoothing)) {
    Reset();
}

void LAutoGainTracker::Reset() {
    std::fill(std::begin(iRing), std::end(iRing), 0);
    std::fill(std::begin(nHist), std::end(nHist), 0u);
    nHist[127] = kRing;
    nPos = 0;
    iQ = 0;
    dS = iFallLimit;
    iSi = 0;
}

int32_t LAutoGainTracker::CountAtOrAbove(int32_t level) const {
    int32_t n = 0;
    for (int32_t l = level; l <= 127; ++l) n += int32_t(nHist[l + 127]);
    return n;
}

void LAutoGainTracker::Push(int32_t level) {
    level = ClampDB(level);
    --nHist[iRing[nPos] + 127];
    iRing[nPos] = level;
    ++nHist[level + 127];
    nPos = (nPos + 1) % kRing;
    while (iQ > -127 && CountAtOrAbove(iQ) <= kAbove) --iQ;
    while (iQ < 127 && CountAtOrAbove(iQ) - int32_t(nHist[iQ + 127]) > kAbove) ++iQ;
    Smooth();
}

void LAutoGainTracker::Advance() {
    nPos = (nPos + 1) % kRing;
    Smooth();
}

void LAutoGainTracker::Smooth() {
    int32_t c = Oldest();
    if (c > iSi && iQ > iSi && iSi < iRiseLimit) {
        dS += (iQ - dS) / 12.0;
        iSi = int32_t(dS);
    }
    if (c < iSi && iQ < iSi && iSi > iFallLimit) {
        dS += (iQ - dS) / 50.0;
        iSi = int32_t(dS);
    }
}

// ---------------------------------------------------------------------------
// Temporary files

void LAutoGainFiles::Remove() {
    fAudio.Close();
    fLevels.Close();
    if (!szAudioPath.empty()) LFile::Delete(szAudioPath.c_str());
    if (!szLevelPath.empty()) LFile::Delete(szLevelPath.c_str());
    szAudioPath.clear();
    szLevelPath.clear();
}

// ---------------------------------------------------------------------------
// The writing pass's source

LDPSRCAutoGain::LDPSRCAutoGain(std::shared_ptr<LAutoGainFiles> files, int32_t rate, int32_t chans,
                               int32_t blockFrames, int32_t blocks, const std::vector<int32_t>& references,
                               const LAutoGainParams& params)
    : LSoundSourceBase(rate, uint32_t(std::max(chans, 0)), kPeakBoundCutList),
      files_(std::move(files)),
      nBlock(std::max(blockFrames, 1)),
      nBlocks(std::max(blocks, 0)),
      tracker_(params) {
    const int32_t c = nChans;
    iRef.assign(size_t(c), -127);
    for (int32_t i = 0; i < c && i < int32_t(references.size()); ++i) iRef[i] = ClampDB(references[i]);
    BuildAutoGainCurve(iCurve, params);

    // The level records: one signed byte per channel and block.
    iLevels.assign(size_t(nBlocks) * c, int8_t(-127));
    if (!files_ || !files_->fLevels.IsOpen() || !files_->fAudio.IsOpen()) {
        SetError();
    } else if (!iLevels.empty()) {
        files_->fLevels.Seek(0);
        if (files_->fLevels.Read(iLevels.data(), uint32_t(iLevels.size())) != iLevels.size()) SetError();
    }
    iRelative.assign(size_t(nBlocks), -127);
    for (int32_t b = 0; b < nBlocks; ++b) {
        int32_t m = -127;
        for (int32_t ch = 0; ch < c; ++ch) m = std::max(m, ClampDB(iLevels[size_t(b) * c + ch] - iRef[ch]));
        iRelative[b] = m;
    }
    g_.assign(size_t(c), 0);
    step_.assign(size_t(c), 0);
    Rewind();
}

int32_t LDPSRCAutoGain::TargetGain(int32_t channel) const {
    int32_t si = tracker_.Smoothed();
    int32_t d = ClampDB(tracker_.Oldest() - si);
    int32_t gdB = ClampDB(-si - iRef[channel] + iCurve[d + 128]);
    return LDBTablesClass::Get().Amplitude(gdB);
}

void LDPSRCAutoGain::FeedTracker() {
    if (nFed < nBlocks)
        tracker_.Push(iRelative[nFed++]);
    else
        tracker_.Advance();
}

void LDPSRCAutoGain::Boundary() {
    // Called as block nBlockIndex starts; the tracker's oldest entry is its record.
    int32_t remaining = nBlocks - nBlockIndex;
    for (int32_t c = 0; c < nChans; ++c) {
        int32_t target = TargetGain(c);
        if (remaining < 2)
            step_[c] = -g_[c] / nBlock;  // the last block fades to silence
        else
            step_[c] = (target - g_[c]) / (nBlock + nBlock / 2);
    }
    FeedTracker();
    nInBlock = 0;
}

void LDPSRCAutoGain::Rewind() {
    tracker_.Reset();
    nFed = 0;
    for (int i = 0; i < LAutoGainTracker::kRing; ++i) FeedTracker();
    for (int32_t c = 0; c < nChans; ++c) g_[c] = TargetGain(c);
    nBlockIndex = 0;
    nPosition = 0;
    Boundary();
}

void LDPSRCAutoGain::Seek(int32_t position) {
    Rewind();
    if (position <= 0) {
        nPosition = position;
        return;
    }
    // Replay the gain movement up to the position without touching the audio.
    int32_t target = std::min(position, GetLength());
    while (nPosition < target) {
        if (nInBlock >= nBlock) {
            ++nBlockIndex;
            Boundary();
        }
        int32_t take = std::min(nBlock - nInBlock, target - nPosition);
        for (int32_t c = 0; c < nChans; ++c) g_[c] += step_[c] * take;
        nInBlock += take;
        nPosition += take;
    }
    nPosition = position;
}

void LDPSRCAutoGain::ReadFrames(int32_t* buffer, int32_t frames) {
    size_t bytes = size_t(frames) * nChans * sizeof(int32_t);
    uint32_t got = 0;
    if (files_ && files_->fAudio.IsOpen()) {
        if (nFilePos != nPosition) {
            files_->fAudio.Seek(int64_t(nPosition) * nChans * int64_t(sizeof(int32_t)));
            nFilePos = nPosition;
        }
        got = files_->fAudio.Read(buffer, uint32_t(bytes));
        nFilePos += frames;
    }
    if (got < bytes) {
        std::memset(reinterpret_cast<char*>(buffer) + got, 0, bytes - got);
        nFilePos = -1;
    }
}

void LDPSRCAutoGain::Read(int32_t* buffer, int32_t n) {
    const int32_t chans = nChans;
    const int32_t length = GetLength();
    while (n > 0) {
        if (nPosition < 0 || nPosition >= length) {
            // Before the start or past the end: silence, up to the start.
            int32_t take = nPosition < 0 ? std::min<int64_t>(n, -int64_t(nPosition)) : n;
            std::memset(buffer, 0, size_t(take) * chans * sizeof(int32_t));
            buffer += size_t(take) * chans;
            nPosition += take;
            n -= take;
            continue;
        }
        if (nInBlock >= nBlock) {
            ++nBlockIndex;
            Boundary();
        }
        int32_t take = std::min(n, nBlock - nInBlock);
        ReadFrames(buffer, take);
        for (int32_t i = 0; i < take; ++i) {
            for (int32_t c = 0; c < chans; ++c) {
                buffer[c] = MulGain(buffer[c], g_[c]);
                g_[c] += step_[c];
            }
            buffer += chans;
        }
        nInBlock += take;
        nPosition += take;
        n -= take;
    }
}

// ---------------------------------------------------------------------------
// The two-pass processor

LDPAutoGain::LDPAutoGain(const LSoundSourcePtr& source, const LSoundSinkPtr& sink, const LAutoGainParams& params,
                         const std::string& tempFolder)
    : pSource(source), pSink(sink), files_(std::make_shared<LAutoGainFiles>()), params_(params) {
    if (pSource->HasError() || (pSink && pSink->HasError())) {
        Fail();
        return;
    }
    if (pSink && pSink->nChans < pSource->nChans) pSource = LSPConvChannels(pSink->nChans).OpenSource(pSource);
    if (pSink && pSource->nSampleRate > pSink->nSampleRate)
        pSource = LSPConvRate(pSink->nSampleRate).OpenSource(pSource);
    if (pSource->HasError() || tempFolder.empty()) {
        Fail();
        return;
    }
    files_->szAudioPath = MakeTempFile(tempFolder, "lca");
    files_->szLevelPath = MakeTempFile(tempFolder, "lcp");
    if (files_->szAudioPath.empty() || files_->szLevelPath.empty() ||
        !files_->fAudio.Open(files_->szAudioPath.c_str(), LFile::kTempExclusive) ||
        !files_->fLevels.Open(files_->szLevelPath.c_str(), LFile::kTempExclusive)) {
        NoteFailure(LFile::LastError(), tempFolder);
        Fail();
        return;
    }

    const int32_t rate = pSource->nSampleRate;
    nChans = pSource->nChans;
    nBlock = std::clamp(rate / 50, 20, kMaxBlockFrames);
    block_.assign(size_t(nBlock) * nChans, 0);
    levels_.assign(size_t(nChans), 0);
    aLow = FilterCoefficient(params_.nLowFreq, rate);
    aHigh = FilterCoefficient(params_.nHighFreq, rate);
    s1_.assign(size_t(nChans), 0);
    s2_.assign(size_t(nChans), 0);
    hist_.assign(size_t(nChans) * kLevelBins, 0);
    nState = kAnalysing;
}

LDPAutoGain::~LDPAutoGain() {
    pOutput.SetNull();
    files_->Remove();
}

void LDPAutoGain::Fail() {
    nState = kFinished;
    bFailed = true;
    pOutput.SetNull();
    files_->Remove();
}

bool LDPAutoGain::Step() {
    switch (nState) {
        case kAnalysing:
            Analyse();
            break;
        case kWriting:
            Write();
            break;
        default:
            break;
    }
    return nState == kFinished;
}

void LDPAutoGain::Analyse() {
    const int32_t chans = nChans;
    pSource->Read(block_.data(), nBlock);
    uint32_t bytes = uint32_t(block_.size() * sizeof(int32_t));
    if (files_->fAudio.Write(block_.data(), bytes) != bytes) {
        NoteFailure(files_->fAudio.Error(), files_->szAudioPath);
        Fail();
        return;
    }
    // Measurement filter, in place: high-pass at the low frequency, plus the
    // part above the high frequency once more (a 6 dB shelf).
    const int64_t aL = aLow, aH = aHigh;
    for (int32_t c = 0; c < chans; ++c) {
        int64_t s1 = s1_[c], s2 = s2_[c];
        int32_t* p = block_.data() + c;
        for (int32_t i = 0; i < nBlock; ++i, p += chans) {
            int64_t x = *p;
            x -= s1 >> 8;
            s1 += x * aL;
            int64_t d = x - (s2 >> 8);
            s2 += d * aH;
            x += d;
            *p = int32_t(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX));
        }
        s1_[c] = s1;
        s2_[c] = s2;
        int32_t level = BlockLevelDB(BlockMeanSquareChannel(block_.data(), nBlock, chans, c));
        ++hist_[size_t(c) * kLevelBins + level + 127];
        levels_[c] = int8_t(level);
    }
    if (files_->fLevels.Write(levels_.data(), uint32_t(chans)) != uint32_t(chans)) {
        NoteFailure(files_->fLevels.Error(), files_->szLevelPath);
        Fail();
        return;
    }
    ++nBlocks;
    if (pSource->GetPosition() >= pSource->GetLength()) FinishAnalysis();
}

void LDPAutoGain::FinishAnalysis() {
    iRef.assign(size_t(nChans), -127);
    for (int32_t c = 0; c < nChans; ++c) iRef[c] = AutoGainReferenceLevel(&hist_[size_t(c) * kLevelBins]);

    LSoundSourcePtr out = MakeSource<LDPSRCAutoGain>(files_, pSource->nSampleRate, nChans, nBlock, nBlocks, iRef,
                                                     params_);
    int32_t rate = pSink ? pSink->nSampleRate : 44100;
    if (out->nSampleRate != rate) out = LSPConvRate(rate).OpenSource(out);
    if (pSink && out->nChans != pSink->nChans) out = LSPConvChannels(pSink->nChans).OpenSource(out);
    out = LSPPeakLimit(kMax16).OpenSource(out);
    if (out->HasError()) {
        Fail();
        return;
    }
    pOutput = out;
    pSource.SetNull();  // the analysis input is no longer needed
    block_.assign(size_t(nBlock) * std::max<int32_t>(nChans, pOutput->nChans), 0);
    nState = kWriting;
}

void LDPAutoGain::Write() {
    pOutput->Read(block_.data(), nBlock);
    if (pSink) pSink->Write(block_.data(), nBlock);
    if (pOutput->GetPosition() >= pOutput->GetLength()) {
        nState = kFinished;
        pOutput.SetNull();
    }
}

LProcessResult RunAutoGain(LProgress* progress, const LSoundSourcePtr& source, const LSoundSinkPtr& sink,
                const LAutoGainParams& params, const std::string& tempFolder) {
    LDPAutoGain agc(source, sink, params, tempFolder);
    for (;;) {
        if (progress->IsCancelled()) return kProcessCancelled;
        if (agc.Step()) return agc.Failed() ? kProcessFailed : kProcessDone;
    }
}

// ---------------------------------------------------------------- the command

LProcessResult AutoGainSelection(LProgress* progress, const LEffectJob& job, const std::string& tempFolder) {
    if (job.stEnd < job.stStart) return kProcessDone;
    const LFrameRange r = SelectionFrames(job);
    std::string folder = tempFolder;
    if (folder.empty() && LAudioCutTank::Current()) folder = LAudioCutTank::Current()->GetFolder();
    if (folder.empty()) folder = TempFolder();
    return ReplaceFramesWith(job.audio, r.start, r.end, [&](const LSoundSinkPtr& sink) {
        return RunAutoGain(progress, RangeSource(job.audio, r), sink, LAutoGainParams(), folder);
    });
}

namespace {
LProcessResult AutoGain(LProgress* p, LEffectJob& job) { return AutoGainSelection(p, job, std::string()); }
}  // namespace

constinit const LEffectDesc kAutoGainControlEffect = {
    .id = LEffect::kAutoGainControl,
    .nCommand = IDM_AUTO_GAIN_CONTROL,
    .szMenuText = "Automatic Gain Control",
    .szHint = "Evens out the loudness of the selected region.",
    .bMenuGroup = true,
    .szUndoLabel = "Auto Gain Control",
    .szTitle = "Auto Gain Control",
    .after = LEffectAfter::kFileStart,
    .pfnRun = AutoGain,
    .szStep = "--auto-gain",
    .szSyntax = "",
    .szHelp = "automatic gain control (the position goes to 0)",
};

}  // namespace sondrel
