// Runs effect commands through the effect table the way the main window and
// the command-line tool do, with the values given in the record's parameter
// order.
#pragma once
#include <initializer_list>
#include <string>

#include "effects/LEffectOperations.h"
#include "effects/LEffectRunner.h"
#include "effects/LEffectTable.h"

namespace sondrel::test {

inline LEffectValues Values(std::initializer_list<int32_t> v) {
    LEffectValues values;
    int i = 0;
    for (int32_t x : v) values.v[i++] = x;
    return values;
}

inline LCommandResult RunFx(LDocuments& docs, LEffect id, const LEffectValues& values) {
    return RunEffectCommand(docs, EffectOf(id), values);
}

// True when the command completed.
inline bool Fx(LDocuments& docs, LEffect id, std::initializer_list<int32_t> v = {}) {
    return RunFx(docs, id, Values(v)) == LCommandResult::kDone;
}
inline bool FxCurve(LDocuments& docs, LEffect id, const PointList& curve) {
    LEffectValues values;
    values.curve = curve;
    return RunFx(docs, id, values) == LCommandResult::kDone;
}
inline bool FxFile(LDocuments& docs, LEffect id, const std::string& path, std::initializer_list<int32_t> v) {
    LEffectValues values = Values(v);
    values.szPath = path;
    return RunFx(docs, id, values) == LCommandResult::kDone;
}

// The operation of a record alone on a list, over the selection [startMs,
// endMs) (the clipboard or file of a mixing record in other).
inline LProcessResult RunOperation(LEffect id, LCutListAudio& audio, int32_t startMs, int32_t endMs,
                                   const LEffectValues& values, const LCutListAudio* other = nullptr) {
    const LEffectDesc& fx = EffectOf(id);
    LEffectJob job{.audio = audio, .stStart = startMs, .stEnd = endMs, .values = values, .pOther = other,
                   .nVariant = fx.nVariant};
    LNullProgress progress;
    return fx.pfnRun(&progress, job);
}

// Answers the main window's questions of an effect command: the file, then
// the dialog, accepted with its values (those of values where given) or
// cancelled.
class ScriptedAsker : public LEffectAsker {
public:
    bool AskFile(std::string& path) override {
        if (!fileOk) return false;
        path = file;
        return true;
    }
    bool AskValues(const LEffectDesc&, LEffectValues& shown) override {
        ++dialogs;
        if (!accept) return false;
        if (values) {
            for (int i = 0; i < kMaxEffectParams; ++i) shown.v[i] = values->v[i];
            shown.curve = values->curve;
        }
        return true;
    }
    std::string file;
    bool fileOk = true;
    bool accept = true;
    const LEffectValues* values = nullptr;
    int dialogs = 0;
};

// The speed command of a mode (the three records follow each other).
inline LEffect SpeedEffect(int mode) { return LEffect(int(LEffect::kSimpleSpeedPitch) + mode); }

}  // namespace sondrel::test
