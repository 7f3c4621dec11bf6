// Opening an audio file by its extension into a cut list, and the writers a
// document is saved through.
#pragma once
#include <cstdint>
#include <string>

#include "core/LProgress.h"
#include "core/LSoundStream.h"
#include "document/LCutListAudio.h"

namespace sondrel {

class LDocumentHost;

// Loads path into *pAudio: one new segment at the file's own rate and
// channels. bVoxPrompt asks the host for a VOX file's rate (once; it is
// cleared after asking); otherwise a VOX file opens at nVoxDefaultRate.
struct SDLoadFile {
    std::string szPath;
    bool bVoxPrompt = true;
    int32_t nVoxDefaultRate = 8000;
    LCutListAudio* pAudio = nullptr;
    LDocumentHost* pHost = nullptr;
};
// Cancelled also by the VOX rate question; failed for an unknown type, an
// unreadable file, more than two channels, or audio that could not be
// written to the cut tank (LastFailure says which).
LProcessResult Process(LProgress* progress, SDLoadFile& record);

// The reader for a file by its extension; an error-flagged silent source
// for an unknown type or an unreadable file. A VOX file opens at voxRate.
LSoundSourcePtr OpenAudioFileSource(const std::string& path, int32_t voxRate);

// Writers a document saves through, chosen by the extension of typePath:
// ".wav" (16-bit PCM), ".gsm", ".vox"; the file written is path. Empty for
// any other extension.
LSoundSinkPtr OpenAudioFileSink(const std::string& path, const std::string& typePath, int32_t rate, uint32_t chans);

// True for the extensions OpenAudioFileSink writes directly.
bool IsDirectSaveType(const std::string& extension);

}  // namespace sondrel
