#include "effects/LEffectRunner.h"

#include <algorithm>

#include "document/LEditCommands.h"
#include "effects/LEffectOperations.h"
#include "support/LFailure.h"

namespace sondrel {

namespace {

// The sequence of LEffectRunner.h; values are the given ones, or with an
// asker what it gives.
LCommandResult Run(LDocuments& docs, const LEffectDesc& fx, LEffectValues values, LEffectAsker* asker) {
    LSDFile* const doc = docs.CurrentForEdit();  // the selection and position held to the audio before they are judged
    if (!EffectApplicable(docs, fx)) return LCommandResult::kNothingToDo;
    bool undoTaken = false;
    if (asker) {
        docs.Host().StopPlayback();
        if (fx.bUndoBeforeDialog) {
            docs.StartModifyCurrentFile(fx.szUndoLabel);
            undoTaken = true;
        }
        values = ReadStoredValues(fx);
        if (fx.input == LEffectInput::kFile && !asker->AskFile(values.szPath)) return LCommandResult::kCancelled;
        if (fx.nTemplate && !asker->AskValues(fx, values)) return LCommandResult::kCancelled;
        // A file handed to the editor while the dialog was open is current now.
        if (docs.Current() != doc) return LCommandResult::kNothingToDo;
    }
    if (fx.pfnHasWork && !fx.pfnHasWork(values)) return LCommandResult::kNothingToDo;
    if (!CheckEffectValues(fx, values).bOk) return LCommandResult::kRefused;
    LSDFile& d = *doc;
    docs.Host().StopPlayback();

    const LCutListAudio* other = nullptr;
    LCutListAudio loaded;
    if (fx.input == LEffectInput::kClipboard) other = &docs.clipboard;
    if (fx.input == LEffectInput::kFile) {
        if (!LoadIntoCutList(docs, values.szPath, loaded)) return LCommandResult::kNotLoaded;
        other = &loaded;
    }
    if (!undoTaken) docs.StartModifyCurrentFile(fx.szUndoLabel);

    // Values below a parameter's floor run as the floor.
    LEffectValues taken = values;
    for (size_t i = 0; i < fx.params.size(); ++i) taken.v[i] = std::max(taken.v[i], fx.params[i].nActsAtLeast);
    LEffectJob job{.audio = d.audio,
                   .stStart = d.stSelStart.ms,
                   .stEnd = d.stSelEnd.ms,
                   .stPosition = d.stPosition.ms,
                   .values = taken,
                   .pOther = other,
                   .nVariant = fx.nVariant};
    LProcessResult result;
    if (fx.szTitle) {
        // A failure with a known cause is shown ("Cannot complete "Echo": the disk is full.").
        result = docs.RunOperation(fx.szTitle, [&](LProgress* p) { return fx.pfnRun(p, job); });
    } else {
        ClearFailure();
        LNullProgress none;
        result = fx.pfnRun(&none, job);
        if (result == kProcessFailed && LastFailure().eKind != LFailure::kNone)
            docs.ReportFailure("Cannot complete", fx.szCaption ? fx.szCaption : fx.szUndoLabel);
    }
    if (result != kProcessDone) {
        docs.Changed();  // the undo record and the changed mark are new
        return result == kProcessCancelled ? LCommandResult::kCancelled : LCommandResult::kFailed;
    }

    d.stSelEnd.ms = job.stEnd;
    int32_t at = d.stSelStart.ms;
    if (fx.after != LEffectAfter::kSelectionStart) at = 0;
    if (fx.after == LEffectAfter::kWholeFile) {
        d.stSelStart.ms = 0;
        d.stSelEnd.ms = 0;
        d.stViewStart.ms = 0;
        d.stViewEnd.ms = d.LengthMs();
    }
    docs.EndModifyCurrentFile(fx.nPreRollMs, at);
    return LCommandResult::kDone;
}

}  // namespace

bool EffectApplicable(const LDocuments& docs, const LEffectDesc& fx) { return Meets(NeedsMet(docs), fx.needs); }

LCommandResult RunEffectCommand(LDocuments& docs, const LEffectDesc& fx, const LEffectValues& values) {
    return Run(docs, fx, values, nullptr);
}

LCommandResult RunEffectCommand(LDocuments& docs, const LEffectDesc& fx, LEffectAsker& asker) {
    return Run(docs, fx, LEffectValues(), &asker);
}

}  // namespace sondrel
