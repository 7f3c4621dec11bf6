// Long operations on cut lists that run under the progress dialog: paste and
// insert of audio in another format, rate and channel conversion of a whole
// list, and replacing a selection by computed audio.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "core/LProgress.h"
#include "core/LSoundStream.h"
#include "document/LCutListAudio.h"

namespace sondrel {

// Converts a whole cut list in place to the given rate and channel count:
// one new segment replaces its cuts (after a cancel, the part converted so
// far). 0 done (also when nothing needed converting), 1 cancelled, 2 failed
// (unusable input, or a format the converters cannot produce; the list is
// then unchanged).
struct LCLAConvertRateChannels {
    LCutListAudio* pCutList = nullptr;
    int32_t nSampleRate = 44100;
    uint8_t nChans = 1;
};
LProcessResult Process(LProgress* progress, LCLAConvertRateChannels& record);

// Paste over the selection [stStart, stEnd) (milliseconds at the document's
// rate), converting the other list to the document's format first when
// needed. A failed or cancelled conversion pastes nothing; the result is 0.
struct LEfPasteOver {
    LCutListAudio* pAudio = nullptr;
    int32_t stStart = 0;
    int32_t stEnd = 0;
    LCutListAudio* pClipboard = nullptr;
};
LProcessResult Process(LProgress* progress, LEfPasteOver& record);

// Insert at stPosition (milliseconds), with the same conversion rule.
struct LEfInsert {
    LCutListAudio* pAudio = nullptr;
    int32_t stPosition = 0;
    LCutListAudio* pOther = nullptr;
};
LProcessResult Process(LProgress* progress, LEfInsert& record);

// The frame every operation that computes new audio for a range follows:
// produce writes the new audio into the sink it is given (one new segment at
// the audio's rate and channel count); when it completes and the segment
// holds everything written, the new audio replaces frames [start, end).
// Otherwise the audio is unchanged and the new segment goes with the result.
// A range of no frames changes nothing. newFrames, when given, receives the
// new audio's length.
LProcessResult ReplaceFramesWith(LCutListAudio& audio, int32_t start, int32_t end,
                                 const std::function<LProcessResult(const LSoundSinkPtr& sink)>& produce,
                                 int32_t* newFrames = nullptr);

// Replaces the selection of the document's audio by what the processor
// makes of it: the audio is read through the processor's source from the
// selection start and pumped through ReplaceFramesWith. A start before 0
// counts as 0.
struct LEfReplaceSelection {
    LCutListAudio* pAudio = nullptr;
    int32_t stStart = 0;  // the selection [stStart, stEnd), ms at the audio's rate
    int32_t stEnd = 0;
    LSoundProcessor* pProcessor = nullptr;  // null: the audio itself
    std::string szCaption;                   // line 0 of the dialog; empty leaves it
};
LProcessResult Process(LProgress* progress, LEfReplaceSelection& record);

}  // namespace sondrel
