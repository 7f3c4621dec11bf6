#include "effects/LEdits.h"

#include <string>

#include "core/LSample.h"
#include "document/LEditCommands.h"
#include "effects/LEffectOperations.h"
#include "support/LFailure.h"

namespace sondrel {

namespace {

constexpr LEffectParam kRepeatParams[] = {
    {.stored = {"RepeatNumTimes", 1}, .nControl = IDC_REPEAT_TIMES, .szLabel = "Repeat number of times:"},
};
LProcessResult RepeatLoop(LProgress*, LEffectJob& job) {
    job.audio.EfRepeatLoop(job.Frames(job.stStart), job.Frames(job.stEnd), job.values[0]);
    return kProcessDone;
}

constexpr LEffectParam kSilenceParams[] = {
    {.stored = {"SilenceTimes", 0}, .nControl = IDC_SILENCE_TIME, .szLabel = "Silence Time (ms):"},
};
bool SilenceHasWork(const LEffectValues& v) { return v[0] > 0; }
LProcessResult InsertSilence(LProgress*, LEffectJob& job) {
    const int32_t at = job.nVariant == kInsertAtBegin     ? 0
                       : job.nVariant == kInsertAtCurrent ? job.stPosition
                                                          : job.LengthMs();
    const int32_t frames = job.Frames(job.values[0]);
    if (int64_t(job.audio.GetLength()) + frames > kMaxStreamFrames) {
        // Refused with its reason: the cut list would only drop it unsaid.
        NoteFailure(LFailure::kTooLong, std::string());
        return kProcessFailed;
    }
    job.audio.EfInsertSilence(job.Frames(at), frames);
    return kProcessDone;
}

// What the three Insert Silence records share; fx says where the silence goes.
constexpr LEffectDesc InsertSilenceAt(LEffectDesc fx) {
    fx.eMenu = LEffectMenu::kEdit;
    fx.szUndoLabel = "Insert Silence";
    fx.needs = kNeedsDocument;
    fx.nPreRollMs = 1000;
    fx.params = kSilenceParams;
    fx.pfnHasWork = SilenceHasWork;
    fx.nTemplate = IDD_INSERT_SILENCE;
    fx.szCaption = "Insert Silence";
    fx.nHelpContext = IDH_EDITS;
    fx.pfnRun = InsertSilence;
    fx.szStep = "--insert-silence";
    fx.szSyntax = "MS[,begin|current|end]";
    fx.szWants = "milliseconds";
    fx.szHelp = "(default current)";
    return fx;
}

}  // namespace

constinit const LEffectDesc kRepeatLoopEffect = {
    .id = LEffect::kRepeatLoop,
    .nCommand = IDM_REPEAT_LOOP,
    .szMenuText = "Repeat Loop...",
    .szHint = "Repeats the selected region.",
    .eMenu = LEffectMenu::kEdit,
    .szUndoLabel = "Repeat Loop",
    .nPreRollMs = 500,
    .params = kRepeatParams,
    .nTemplate = IDD_REPEAT_LOOP,
    .szCaption = "Repeat Loop",
    .nHelpContext = IDH_EDITS,
    .pfnRun = RepeatLoop,
    .szStep = "--repeat",
    .szSyntax = "N",
    .szWants = "a count",
    .szHelp = "the selection plays N more times",
};

constinit const LEffectDesc kInsertSilenceBeginEffect = InsertSilenceAt({
    .id = LEffect::kInsertSilenceBegin,
    .nCommand = IDM_INSERT_SILENCE_BEGIN,
    .szMenuText = "Begin",
    .szHint = "Inserts silence at the start.",
    .nVariant = kInsertAtBegin,
    .szVariantWord = "begin",
});

constinit const LEffectDesc kInsertSilenceCurrentEffect = InsertSilenceAt({
    .id = LEffect::kInsertSilenceCurrent,
    .nCommand = IDM_INSERT_SILENCE_CURRENT,
    .szMenuText = "Current",
    .szHint = "Inserts silence at the current position.",
    .nVariant = kInsertAtCurrent,
    .szVariantWord = "current",
    .bDefaultVariant = true,
});

constinit const LEffectDesc kInsertSilenceEndEffect = InsertSilenceAt({
    .id = LEffect::kInsertSilenceEnd,
    .nCommand = IDM_INSERT_SILENCE_END,
    .szMenuText = "End",
    .szHint = "Inserts silence at the end.",
    .nVariant = kInsertAtEnd,
    .szVariantWord = "end",
});

}  // namespace sondrel
