// The document-level behaviour of the dynamics and speed commands: the
// selection they need, their undo labels, the progress titles, and where the
// cursor goes and playback resumes afterwards. The main window reads the
// parameters from its dialogs (keys in LEffectParams.h); the command-line
// tool passes its arguments.
#pragma once
#include <cstdint>

#include "document/LDocuments.h"
#include "effects/LEffectParams.h"
#include "effects/LSpeedPitch.h"

namespace sondrel {

// Each returns false when it did nothing to the audio: no document, no valid
// selection, or an operation that was cancelled or failed. The undo record
// is pushed before the operation runs, so a cancelled or failed run still
// leaves it (and the document marked changed).

// "CompressorThreshold" (dB), "CompressorRatio" (index into the ratio
// table), "CompressorLimit" (dB, carried only).
bool CmCompressor(LDocuments& docs, int32_t thresholdDb, int32_t ratioIndex, int32_t limitDb);
// "NoiseGateLevel" (dB).
bool CmNoiseReduction(LDocuments& docs, int32_t gateLevelDb);
// No parameters; afterwards the cursor is at 0 and playback starts there.
bool CmAutoGainControl(LDocuments& docs);

// The three speed and pitch commands, by mode.
struct LSpeedPitchCommand {
    const char* szName;     // caption, undo label and progress title
    LStoredValue stored;    // the percentage's key and default
    const char* szLabel;    // the dialog's prompt
};
extern const LSpeedPitchCommand kSpeedPitchCommands[3];

// The speed commands push their undo record before their dialog runs, so
// the editor calls BeginSpeedPitch, shows the dialog, and on OK calls
// RunSpeedPitchCommand; a dialog cancelled in between leaves the record.
// BeginSpeedPitch is false (and pushes nothing) without a selection.
bool BeginSpeedPitch(LDocuments& docs, LSpeedPitchMode mode);
// Runs the change on the selection; afterwards the selection ends where the
// new audio ends. Percentages below 10 act as 10 (a tenth of the speed or
// pitch); values the dialog refuses (above 300) are refused here as well.
bool RunSpeedPitchCommand(LDocuments& docs, LSpeedPitchMode mode, int32_t percent);
// Both steps, as the command-line tool runs them.
bool CmSpeedPitch(LDocuments& docs, LSpeedPitchMode mode, int32_t percent);

// The percentage the speed operation actually uses (10..300 when accepted).
int32_t EffectiveSpeedPercent(int32_t percent);

// Ranges of the dB and ratio controls, for callers without the dialogs'
// clamping controls: threshold -40..0, ratio index 0..6, limit 0..12, gate
// level -40..0. The message names the offending value's range.
LParamCheck CheckCompressorValues(int32_t thresholdDb, int32_t ratioIndex, int32_t limitDb);
LParamCheck CheckNoiseGateLevel(int32_t gateLevelDb);

}  // namespace sondrel
