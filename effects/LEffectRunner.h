// The one sequence every effect command follows, driven by its table record,
// in one function (RunEffectCommand):
//   1. the record's needs (a document, a selection, a clipboard), or nothing
//      happens;
//   2. in the main window (an asker is given): playback stops; records
//      with bUndoBeforeDialog push their undo record now, so a cancelled
//      dialog still leaves it; the values start from the stored ones
//      (ReadStoredValues); a kFile record asks for its file, a record with a
//      template shows its dialog, which checks what OK accepts
//      (CheckEffectValues), shows a refusal and stores the values
//      (WriteStoredValues); Cancel ends here;
//   3. values that leave no work end here (no undo record), values the
//      dialog would refuse end here (the command-line tool's own values);
//   4. playback stops; a kFile record's file is loaded (no undo record when
//      it cannot be);
//   5. the undo record is pushed (before the operation, so a cancelled or
//      failed run still leaves it and the document stays marked changed),
//      the operation runs under the progress dialog titled szTitle;
//   6. on success the position moves and automatic playback starts. A
//      cancelled or failed operation leaves the document's audio and
//      selection as they were.
// The command-line tool gives its values and no asker.
#pragma once
#include <string>

#include "document/LDocuments.h"
#include "effects/LEffectTable.h"

namespace sondrel {

enum class LCommandResult : uint8_t {
    kDone,
    kNothingToDo,  // no document, no selection or clipboard where needed, or values that leave no work
    kRefused,      // values the dialog refuses (CheckEffectValues)
    kNotLoaded,    // the file of a kFile record could not be loaded; no undo record
    kCancelled,    // the file prompt or the dialog was cancelled, or the operation
    kFailed,
};

// What the sequence asks the user in the main window.
class LEffectAsker {
public:
    virtual ~LEffectAsker() = default;
    // The file a kFile record brings in; false: cancelled.
    virtual bool AskFile(std::string& path) = 0;
    // The record's dialog over the values; true when the user accepted them
    // (they are the accepted values then, and stored).
    virtual bool AskValues(const LEffectDesc& fx, LEffectValues& values) = 0;
};

// Whether the command can run now: a document, a selection and a clipboard
// as the record needs.
bool EffectApplicable(const LDocuments& docs, const LEffectDesc& fx);

// Runs the command on the current document with these values.
LCommandResult RunEffectCommand(LDocuments& docs, const LEffectDesc& fx, const LEffectValues& values);
// Runs the command as the main window does: the values come from the asker.
LCommandResult RunEffectCommand(LDocuments& docs, const LEffectDesc& fx, LEffectAsker& asker);

}  // namespace sondrel
