#include "effects/LEffectRunner.h"

#include <algorithm>

#include "document/LEditCommands.h"
#include "support/LFailure.h"

namespace sondrel {

bool EffectApplicable(const LDocuments& docs, const LEffectDesc& fx) {
    const LSDFile* d = docs.Current();
    if (!d) return false;
    switch (fx.needs) {
        case LEffectNeeds::kDocument:
            return true;
        case LEffectNeeds::kSelection:
            return d->HasValidSelection();
        case LEffectNeeds::kSelectionAndClipboard:
            return d->HasValidSelection() && docs.clipboard.GetLength() > 0;
    }
    return false;
}

bool BeginEffectCommand(LDocuments& docs, const LEffectDesc& fx) {
    docs.CurrentForEdit();  // the selection held to the audio before it is judged
    if (!EffectApplicable(docs, fx)) return false;
    docs.Host().StopPlayback();
    docs.StartModifyCurrentFile(fx.szUndoLabel);
    return true;
}

LCommandResult RunEffectCommand(LDocuments& docs, const LEffectDesc& fx, const LEffectValues& values,
                                const LEffectStart& start) {
    docs.CurrentForEdit();  // the selection and position held to the audio before they are used
    if (!EffectApplicable(docs, fx) || (fx.pfnHasWork && !fx.pfnHasWork(values)))
        return LCommandResult::kNothingToDo;
    if (!CheckEffectValues(fx, values).bOk) return LCommandResult::kRefused;
    LSDFile& d = *docs.Current();
    docs.Host().StopPlayback();

    const LCutListAudio* other = nullptr;
    LCutListAudio loaded;
    if (fx.input == LEffectInput::kClipboard) other = &docs.clipboard;
    if (fx.input == LEffectInput::kFile) {
        other = start.pLoaded;
        if (!other) {
            if (!LoadIntoCutList(docs, values.szPath, loaded)) return LCommandResult::kNotLoaded;
            other = &loaded;
        }
    }
    if (!start.bUndoTaken) docs.StartModifyCurrentFile(fx.szUndoLabel);

    // Values below a parameter's floor run as the floor.
    LEffectValues taken = values;
    for (size_t i = 0; i < fx.params.size(); ++i) taken.v[i] = std::max(taken.v[i], fx.params[i].nActsAtLeast);
    LEffectJob job{d, taken, other, d.stSelStart.ms, d.stSelEnd.ms, fx.nVariant};
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
        docs.Host().DocumentChanged();  // the undo record and the changed mark are new
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

}  // namespace sondrel
