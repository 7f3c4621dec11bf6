// The effect and edit parameter dialogs as the main window opens them: the
// dialog of an effect table record (effects/LEffectTable.h), run modally
// over the owner, with its own sound player for the Preview button.
//
// How the main window uses it (LMainServices::EffectDialog):
//   values = ReadStoredValues(fx) (the command frame does this);
//   if (!RunEffectDialog(mainWindow, fx, values, controller.Current())) return;
//   RunEffectCommand(docs, fx, values, ...);
// On OK the values the dialog accepted are stored in "StoredValues" and
// left in values; a curve dialog has saved its curve file in the data
// folder (the cut tank's folder) and values.curve holds the curve read back
// from it. Cancel stores and writes nothing.
#pragma once
#include <windows.h>

#include "effects/LEffectTable.h"

namespace sondrel {

class LSDFile;

// doc: the current document: the preview plays a copy of its audio, the
// envelope's label reads its selection. True when the user pressed OK and
// the values were accepted.
bool RunEffectDialog(HWND owner, const LEffectDesc& fx, LEffectValues& values, const LSDFile* doc);

}  // namespace sondrel
