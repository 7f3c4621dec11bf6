// The one frame every effect command follows, driven by its table record:
// check that the command can run, stop playback, push the undo record
// (before the operation, so a cancelled or failed run still leaves it and the
// document stays marked changed), run the operation under the progress
// dialog, and on success move the position and start automatic playback. A
// cancelled or failed operation leaves the document's audio and selection
// as they were.
//
// The main window runs a record of the table so:
//   1. EffectApplicable, or nothing happens;
//   2. records with bUndoBeforeDialog: BeginEffectCommand;
//   3. kFile records: the open-file dialog gives LEffectValues::szPath;
//   4. records with a template: the dialog starts from ReadStoredValues (and
//      the curve file loaded into LEffectValues::curve); OK runs
//      CheckEffectValues and shows its message in a box with its caption and
//      icon, or stores the values with WriteStoredValues (and saves the
//      curve, which is loaded again for the operation); Cancel ends here;
//   5. RunEffectCommand, with bUndoTaken after step 2.
// The command-line tool does steps 1 and 5 with the values of its arguments.
#pragma once
#include "document/LDocuments.h"
#include "effects/LEffectTable.h"

namespace sondrel {

enum class LCommandResult : uint8_t {
    kDone,
    kNothingToDo,  // no document, no selection or clipboard where needed, or values that leave no work
    kRefused,      // values the dialog refuses (CheckEffectValues)
    kNotLoaded,    // the file of a kFile record could not be loaded; no undo record
    kCancelled,
    kFailed,
};

// Whether the command can run now: a document, a selection and a clipboard
// as the record needs.
bool EffectApplicable(const LDocuments& docs, const LEffectDesc& fx);

// For records with bUndoBeforeDialog: stops playback and pushes the undo
// record before the dialog runs. False (nothing pushed) when the command
// cannot run.
bool BeginEffectCommand(LDocuments& docs, const LEffectDesc& fx);

struct LEffectStart {
    bool bUndoTaken = false;                  // BeginEffectCommand has run
    const LCutListAudio* pLoaded = nullptr;   // a kFile record's file, already loaded by the caller
};

// Runs the command on the current document with these values.
LCommandResult RunEffectCommand(LDocuments& docs, const LEffectDesc& fx, const LEffectValues& values,
                                const LEffectStart& start = {});

}  // namespace sondrel
