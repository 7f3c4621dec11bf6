// Runs effect commands through the effect table the way the main window and
// the command-line tool do, with the values given in the record's parameter
// order.
#pragma once
#include <initializer_list>
#include <string>

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

// The speed command of a mode (the three records follow each other).
inline LEffect SpeedEffect(int mode) { return LEffect(int(LEffect::kSimpleSpeedPitch) + mode); }

}  // namespace sondrel::test
