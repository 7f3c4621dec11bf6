// The document-level behaviour of the effect commands: the selection each
// needs, its undo label (pushed before the operation runs, so a cancelled
// effect still leaves it), the progress dialog's title, and where the
// position and playback go afterwards. Parameters come in explicitly; the
// dialogs read and store them in "StoredValues" themselves.
#pragma once
#include <cstdint>
#include <string>

#include "document/LDocuments.h"
#include "effects/PointList.h"

namespace sondrel {

// Each returns false when it did not complete (no document, no valid
// selection where one is needed, a cancelled or failed operation).
bool CmNormalize(LDocuments& docs, int32_t peakLevelPercent);
bool CmFadeIn(LDocuments& docs);
bool CmFadeOut(LDocuments& docs);
bool CmFadeOutAndTrim(LDocuments& docs);
bool CmEnvelope(LDocuments& docs, const PointList& curve);
bool CmEcho(LDocuments& docs, int32_t gainPercent, int32_t timeMs);
bool CmReverb(LDocuments& docs, int32_t level, int32_t timeMs);
// frequency is the dialog's "LowCutFreq" (Hz); the filter runs at twice it.
bool CmLowCutFilter(LDocuments& docs, int32_t frequency);
bool CmEqualizer(LDocuments& docs, const PointList& curve);
// Mixes the clipboard over the selection. longerMode is an LLongerMix.
bool CmPasteMix(LDocuments& docs, int32_t volume, int32_t longerMode, int32_t fadeOutMs);
// Loads path and mixes it over the selection, without a fade. A file that
// does not load ends the command before any undo record is pushed.
bool CmMixFile(LDocuments& docs, const std::string& path, int32_t volume, int32_t longerMode);
// Threshold from "AutoTrimThreshold" in section "Settings" (default -24 dB).
bool CmAutoTrim(LDocuments& docs);

constexpr int32_t kDefaultAutoTrimThreshold = -24;

}  // namespace sondrel
