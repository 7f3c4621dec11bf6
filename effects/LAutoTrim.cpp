#include "effects/LAutoTrim.h"

#include <algorithm>
#include <vector>

#include "effects/LDynamics.h"
#include "effects/LEffectOperations.h"
#include "effects/LHighPass.h"
#include "support/LSettings.h"

namespace sondrel {

LProcessResult AutoTrim(LProgress* progress, LCutListAudio& doc, int32_t thresholdDb) {
    progress->SetText("AutoTrim", 0);
    progress->SetText("Please wait...", 1);
    LSoundSourcePtr src = LSPHighPass(300).OpenSource(CreateSource(doc));
    if (src->HasError()) return kProcessFailed;
    const int32_t threshold = std::clamp(thresholdDb, -127, 127);
    const int32_t rate = src->nSampleRate;
    const uint32_t chans = src->nChans;
    const int32_t length = src->GetLength();
    const int32_t block = std::clamp(rate / 40, 8, kMaxBlockFrames);
    const int64_t scanFrames = int64_t(rate) * 8;
    std::vector<int32_t> buf(size_t(block) * chans);
    // Reads the block at p (the source is positioned there) and gives its level.
    auto level = [&](int32_t p) {
        int32_t n = std::min(block, length - p);
        src->Read(buf.data(), n);
        return BlockLevelDB(BlockMeanSquare(buf.data(), n * int32_t(chans)));
    };

    const int32_t limit = int32_t(std::min<int64_t>(scanFrames, length));
    int32_t trimStart = 0;
    while (trimStart < limit) {
        if (progress->IsCancelled()) return kProcessCancelled;
        if (level(trimStart) > threshold && trimStart > 0) {
            trimStart = std::max(trimStart - block, 0);
            break;
        }
        trimStart += block;
        progress->SetProgress(double(trimStart) / double(std::max<int64_t>(2 * scanFrames, 1)));
    }

    const int32_t quiet = std::clamp(threshold - 9, -127, 127);
    const int32_t from = int32_t(std::max<int64_t>(int64_t(length) - scanFrames, trimStart));
    int64_t trimEnd = from;
    if (from < length) src->Seek(from);
    for (int32_t p = from; p < length; p += block) {
        if (progress->IsCancelled()) return kProcessCancelled;
        if (level(p) > quiet) trimEnd = int64_t(p) + 4 * int64_t(block);
        progress->SetProgress(0.5 + double(p - from) / double(std::max<int64_t>(2 * (length - from), 1)));
    }

    if (trimEnd < length) doc.EfDelete(int32_t(trimEnd), doc.GetLength());
    doc.EfDelete(0, trimStart);
    return kProcessDone;
}

namespace {

constexpr int32_t kDefaultAutoTrimThreshold = -24;
LProcessResult AutoTrimDocument(LProgress* p, LEffectJob& job) {
    const int32_t threshold = ReadInt("Settings", "AutoTrimThreshold", kDefaultAutoTrimThreshold);
    return AutoTrim(p, job.audio, std::clamp(threshold, -127, 127));
}

}  // namespace

constinit const LEffectDesc kAutoTrimEffect = {
    .id = LEffect::kAutoTrim,
    .nCommand = IDM_AUTO_TRIM,
    .szMenuText = "Auto Trim",
    .szHint = "Deletes silence from the start and end.",
    .eMenu = LEffectMenu::kEdit,
    .szUndoLabel = "Auto Trim",
    .szTitle = "Auto Trim",
    .needs = kNeedsDocument,
    .after = LEffectAfter::kWholeFile,
    .pfnRun = AutoTrimDocument,
    .szStep = "--auto-trim",
    .szSyntax = "",
    .szHelp = "delete the quiet start and end (threshold -24 dB)",
};

}  // namespace sondrel
