// One description per effect and parameterised edit, the way a command
// table drives a well-kept Win32 program: a single record holds everything
// the main window's command, the parameter dialog with its preview, the help
// topic and the command-line tool know about the effect. Each record stands
// in the file of its processor, beside its parameters, check, preview and
// operation (LEchoReverb.cpp holds Echo and Reverb, and so on); this header
// and LEffectTable.cpp are the list of them. The main window runs a command
// through EffectByCommand and RunEffectCommand (LEffectRunner.h), the
// dialogs are built from a record's parameters, and sondrel-cli parses and
// documents its steps from the same records. Adding an effect means its
// processor and, beside it, one record named in the list.
//
// Ids (commands, dialog templates, controls, help contexts) are the names of
// support/LResourceIds.h. The table is portable: no Win32 types.
#pragma once
#include <cstdint>
#include <climits>
#include <span>
#include <string>

#include "core/LProgress.h"
#include "core/LSoundStream.h"
#include "document/LNeeds.h"
#include "effects/LEffectParams.h"
#include "effects/PointList.h"
#include "support/LResourceIds.h"

namespace sondrel {

class LCutListAudio;
struct LEffectJob;

// Every effect and parameterised edit, in the order of kEffects.
enum class LEffect : uint8_t {
    kAmplify,
    kNormalize,
    kEqualizer,
    kEcho,
    kReverb,
    kFadeIn,
    kFadeOut,
    kEnvelope,
    kAutoGainControl,
    kNoiseReduction,
    kLowCutFilter,
    kCompressor,
    kFadeOutAndTrim,
    kSimpleSpeedPitch,
    kConstantPitchSpeed,
    kConstantSpeedPitch,
    kPasteMix,
    kMixFile,
    kRepeatLoop,
    kAutoTrim,
    kInsertSilenceBegin,
    kInsertSilenceCurrent,
    kInsertSilenceEnd,
    kCount
};

// How a parameter is shown in its dialog.
enum class LParamControl : uint8_t {
    kEdit,    // an edit box; any signed integer can be typed, the OK check judges it
    kDBEdit,  // an LDBEdit decibel slider holding nMin..nMax (its range message takes
              // the minimum in wParam and the maximum in lParam); it clamps what is typed
    kCombo,   // a drop-down list; the value is the selected index, nMin..nMax
    kRadios,  // radio buttons nControl, nControl + 1, ... for the values nMin..nMax
};

// One parameter: its stored value and the control that shows it.
struct LEffectParam {
    LStoredValue stored;  // key in section "StoredValues" and its default
    LParamControl control = LParamControl::kEdit;
    int nControl = 0;               // control id in the dialog template (the first button of radios)
    const char* szLabel = nullptr;  // the text the dialog shows for it
    int nLabelControl = 0;          // a static the dialog fills with szLabel; 0: the template holds the label
    int32_t nMin = INT32_MIN;       // what the control can hold; an edit holds any int32
    int32_t nMax = INT32_MAX;
    // The refusal of a value outside nMin..nMax for the controls that clamp
    // (only the command-line tool can give such a value). Null: the value is
    // the control's choice (radios), and one outside is a wrong argument.
    const char* szRangeMessage = nullptr;
    // The operation takes values below this as this (a percentage; the
    // command-line tool says so). INT32_MIN: every value is taken as it is.
    int32_t nActsAtLeast = INT32_MIN;
    // Index of the parameter whose value enables this control, or -1. A
    // disabled control's value is not stored.
    int nEnabledBy = -1;
    int32_t nEnabledWhen = 0;
    // A combo box's entry for each value nMin..nMax, in that order.
    const char* (*pfnChoice)(int32_t value) = nullptr;
};

constexpr int kMaxEffectParams = 3;

// The values a command runs with, in the order of its record's parameters,
// and the curve or the file of the records that take one.
struct LEffectValues {
    int32_t v[kMaxEffectParams] = {};
    PointList curve = FlatCurve();  // records with szCurveFile
    std::string szPath;             // records whose input is kFile
    int32_t operator[](int i) const { return v[i]; }
};

// Other audio an operation brings into the document.
enum class LEffectInput : uint8_t {
    kNone,
    kClipboard,  // the main window's clipboard
    kFile,       // the file LEffectValues::szPath, loaded as an insert loads it
};

// Where the position goes after a completed command (automatic playback, when
// on, starts nPreRollMs before it).
enum class LEffectAfter : uint8_t {
    kSelectionStart,  // the selection start
    kFileStart,       // 0, the selection kept
    kWholeFile,       // 0, with the selection cleared and the whole file in view
};

// Where the command-line tool's help lists a record: with the edits or with
// the effects (as the Edit and Effects menus hold them).
enum class LEffectMenu : uint8_t { kEffects, kEdit };

struct LEffectDesc {
    LEffect id = LEffect::kCount;

    // The main window.
    int nCommand = 0;                  // menu, toolbar and key command id (IDM_)
    const char* szMenuText = nullptr;  // the item's text (Insert Silence: within its "Insert Silence" submenu)
    const char* szHint = nullptr;      // the status-bar text while the item is highlighted
    LEffectMenu eMenu = LEffectMenu::kEffects;
    bool bMenuGroup = false;           // starts a group of the Effects menu: a separator goes before it

    // The command frame (LEffectRunner.h).
    const char* szUndoLabel = nullptr;  // label of the undo record pushed before the operation
    const char* szTitle = nullptr;      // progress dialog caption; null: runs at once without one
    uint8_t needs = kNeedsDocument | kNeedsSelection;  // LNeeds: without them the command does nothing
    LEffectInput input = LEffectInput::kNone;
    // The undo record is pushed before the dialog runs, so a cancelled dialog
    // still leaves it.
    bool bUndoBeforeDialog = false;
    int32_t nPreRollMs = 0;
    LEffectAfter after = LEffectAfter::kSelectionStart;
    int32_t nVariant = 0;  // the mode the operation runs in (speed mode, insert place)

    // The parameters, read from "StoredValues" when the dialog opens and
    // written when OK is accepted.
    std::span<const LEffectParam> params = {};
    // The curve file of a curve dialog (IDC_CURVE, "Set Flat" IDC_SET_FLAT)
    // in the "Current" folder; the curve reloaded after OK goes to
    // LEffectValues::curve.
    const char* szCurveFile = nullptr;
    // The dialog's check when OK is pressed (after the range checks): the
    // message that refuses the values, or null; null: no check.
    const char* (*pfnCheck)(const LEffectValues& values) = nullptr;
    // How the record's own refusals are shown, and a value that is no whole number.
    LRefusal eRefusal = LRefusal::kInvalidValue;
    // False for values that leave nothing to do (no undo record is pushed); null: always true.
    bool (*pfnHasWork)(const LEffectValues& values) = nullptr;

    // The dialog: a template (IDD_), its caption, the help context (IDH_) its
    // Help button shows. No template: the command runs at once.
    int nTemplate = 0;
    const char* szCaption = nullptr;
    int nHelpContext = 0;
    // The preview (IDC_PREVIEW) over inner, built from the values the
    // controls show, with the preview's own limits; it restarts whenever a
    // parameter control changes. Null: the dialog has no Preview button.
    LSoundSourcePtr (*pfnPreview)(const LEffectValues& shown, const LSoundSourcePtr& inner) = nullptr;

    // The operation on the job (LEffectOperations.h), under the progress
    // dialog titled szTitle.
    LProcessResult (*pfnRun)(LProgress* progress, LEffectJob& job) = nullptr;

    // The command-line tool's step: "--echo MS,PERCENT". The syntax lists the
    // arguments, comma-separated: FILE (szPath), CURVEFILE (the curve), a
    // word|word choice of the records sharing the step (szVariantWord names
    // this one), or an integer for the next parameter; a trailing [,...]
    // part may be left out (its parameters keep their defaults).
    const char* szStep = nullptr;
    const char* szSyntax = "";            // empty: the step takes no value
    const char* szWants = nullptr;        // "--echo wants MS,PERCENT": what a wrong value is told
    const char* szHelp = nullptr;         // the --help line's text; "\n" continues it under itself
    const char* szVariantWord = nullptr;  // this record's word among those sharing the step; or null
    bool bDefaultVariant = false;         // the record used when the word is left out
};

// The list: one record per LEffect, in its order. kEffects walks the records
// themselves (for (const LEffectDesc& fx : kEffects)).
extern const LEffectDesc* const kEffectList[size_t(LEffect::kCount)];
struct LEffectRecords {
    struct Iterator {
        const LEffectDesc* const* p;
        const LEffectDesc& operator*() const { return **p; }
        Iterator& operator++() {
            ++p;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return p != other.p; }
    };
    Iterator begin() const { return {kEffectList}; }
    Iterator end() const { return {kEffectList + size_t(LEffect::kCount)}; }
};
inline constexpr LEffectRecords kEffects{};

inline const LEffectDesc& EffectOf(LEffect id) { return *kEffectList[size_t(id)]; }
// The record of a menu command id, or null.
const LEffectDesc* EffectByCommand(int command);

// The values a dialog starts from: each parameter's stored value (its
// default when none is stored).
LEffectValues ReadStoredValues(const LEffectDesc& fx);
// Stores the values an accepted dialog shows (disabled controls' values excepted).
void WriteStoredValues(const LEffectDesc& fx, const LEffectValues& values);
// The checks OK makes: the clamping controls' values within nMin..nMax
// (their range messages, caption "Error", stop icon), then pfnCheck (shown
// as eRefusal says).
LParamCheck CheckEffectValues(const LEffectDesc& fx, const LEffectValues& values);
// Whether a parameter's control is enabled with these values.
bool ParamEnabled(const LEffectDesc& fx, int param, const LEffectValues& values);

}  // namespace sondrel
