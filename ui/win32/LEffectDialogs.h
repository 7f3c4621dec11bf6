// The effect and edit parameter dialogs as the main window opens them: the
// dialog of an effect table record (effects/LEffectTable.h), run modally
// over the owner, with its own sound player for the Preview button. Every
// Effects command with a template and the Edit commands with parameters
// (Paste Mix, Mix File, Repeat Loop, Insert Silence) go through this one
// function; the sample-rate dialogs are in LSampleRateDialogs.h.
//
// The main window's LMainServices::EffectDialog is this function: the
// command's sequence (RunEffectCommand, effects/LEffectRunner.h) asks for the
// values through it once the command can run, playback has stopped, the
// undo snapshot of records that take it before their dialog is taken and
// the file of records that insert one is chosen (values.szPath).
// The document is the whole LSDFile, not only its audio: the envelope's
// label reads its selection. On OK the values the dialog accepted are stored
// in "StoredValues" and left in values; a curve dialog has saved its curve
// file in the data folder (the cut tank's folder) and values.curve holds the
// curve read back from it. Cancel stores and writes nothing.
#pragma once
#include <windows.h>

#include "effects/LEffectTable.h"

namespace sondrel {

class LSDFile;

// doc: the current document (may be null: no preview then): the preview
// plays a copy of its audio, the envelope's label reads its selection.
// True (IDOK) when the user pressed OK and the values were accepted; false
// (IDCANCEL) on Cancel or the close box. A record without a template asks
// nothing and gives true.
bool RunEffectDialog(HWND owner, const LEffectDesc& fx, LEffectValues& values, const LSDFile* doc);

}  // namespace sondrel
