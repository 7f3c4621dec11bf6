// The parameter dialogs of the effect table's records, as the main window
// opens them: every Effects command with a template and the Edit commands
// with parameters (Paste Mix, Mix File, Repeat Loop, Insert Silence) reach
// the user through this one function. The main window has checked that the
// command can run, stopped playback, pushed the undo record of records that
// take it before their dialog, and for records that insert a file asked for
// the file (values.szPath); after OK it runs the record with the values.
#pragma once
#include <windows.h>

namespace sondrel {

class LCutListAudio;
struct LEffectDesc;
struct LEffectValues;

// Runs fx's dialog (template fx.nTemplate, caption fx.szCaption) modally
// over owner. values holds what the dialog starts from: each parameter's
// stored value (ReadStoredValues); a record with a curve file has its curve
// loaded and saved by the dialog. document is the current document's audio,
// for a preview. Returns true when the user accepted: the dialog has made
// its checks, stored the values (WriteStoredValues, and the curve file) and
// left them, with the curve the operation uses, in values. False on Cancel,
// with the stored values and the curve file as they were.
bool RunEffectDialog(HWND owner, const LEffectDesc& fx, LEffectValues& values, const LCutListAudio& document);

}  // namespace sondrel
