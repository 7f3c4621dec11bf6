// Opening an audio file by its extension into a cut list, and the writers a
// document is saved through.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "core/LProgress.h"
#include "core/LSoundStream.h"
#include "document/LCutListAudio.h"
#include "formats/LOpenReport.h"

namespace sondrel {

class LDocumentHost;

// What a display reads while a load runs on another thread: the file's
// length as its reader estimates it and the overview of the audio copied so
// far, both there once the copy has started.
class LLoadWatch {
public:
    void Set(int32_t frames, std::shared_ptr<const LGrowingSummary> overview) {
        std::lock_guard<std::mutex> lock(mtx);
        nFrames = frames;
        pOverview = std::move(overview);
    }
    int32_t Frames() const {
        std::lock_guard<std::mutex> lock(mtx);
        return nFrames;
    }
    std::shared_ptr<const LGrowingSummary> Overview() const {
        std::lock_guard<std::mutex> lock(mtx);
        return pOverview;
    }

private:
    mutable std::mutex mtx;
    int32_t nFrames = 0;
    std::shared_ptr<const LGrowingSummary> pOverview;
};

// Loads path into *pAudio: one new segment at the file's own rate and
// channels. bVoxPrompt asks the host for a VOX file's rate (once; it is
// cleared after asking); otherwise a VOX file opens at nVoxDefaultRate.
struct SDLoadFile {
    std::string szPath;
    bool bVoxPrompt = true;
    int32_t nVoxDefaultRate = 8000;
    LCutListAudio* pAudio = nullptr;
    LDocumentHost* pHost = nullptr;
    // After the load: how the file stores its audio, its tags, and what the
    // user is to be told about it.
    LOpenReport report;
    // Out: the file's length as its reader estimates it, and the overview
    // of the audio copied so far, both set when the copy starts (a display
    // may draw from them while the load runs).
    int32_t nExpectedFrames = 0;
    std::shared_ptr<const LGrowingSummary> pOverview;
    // When set, given both as soon as the copy starts (read on any thread).
    LLoadWatch* pWatch = nullptr;
};
// Cancelled also by the VOX rate question; failed for an unknown type, an
// unreadable file, more than two channels, or audio that could not be
// written to the cut tank (LastFailure says which).
LProcessResult Process(LProgress* progress, SDLoadFile& record);

// The reader a document opens path with: OpenAudioFileSource, refused
// (error flag, LastFailure says why) for an unknown type, an unreadable
// file or more than two channels.
LSoundSourcePtr OpenDocumentSource(const std::string& path, int32_t voxRate);

// What a document loaded from source reads back as: source with its peaks
// limited to 16-bit full scale as the load writes it, under the peak bound
// of a cut-list reader, so that a save adapts it exactly as it adapts the
// document's own reader (and writes the same file).
LSoundSourcePtr AsLoadedDocument(const LSoundSourcePtr& source);

// The reader for a file by its extension; an error-flagged silent source
// for an unknown type or an unreadable file. A VOX file opens at voxRate.
LSoundSourcePtr OpenAudioFileSource(const std::string& path, int32_t voxRate);

// Writers a document saves through, chosen by the extension of typePath:
// ".wav" (16-bit PCM), ".gsm", ".vox", ".flac", ".ogg" (Vorbis), ".opus";
// the file written is path; tags go where the format carries them. An
// Opus writer takes 48000 Hz whatever rate is asked. Empty for any other
// extension.
LSoundSinkPtr OpenAudioFileSink(const std::string& path, const std::string& typePath, int32_t rate, uint32_t chans,
                                const LAudioTags& tags = LAudioTags());

// The encoders' options, in section "Settings" (the settings pages show them).
struct LEncoderOption {
    const char* szKey;
    int32_t nDefault, nMin, nMax;
};
constexpr LEncoderOption kFlacLevelOption{"FlacCompressionLevel", 5, 0, 8};
constexpr LEncoderOption kVorbisQualityOption{"VorbisQuality", 5, 0, 10};
constexpr LEncoderOption kOpusBitRateOption{"OpusBitRate", 128, 6, 510};  // kbit/s
// The stored value held to the option's range.
int32_t ReadEncoderOption(const LEncoderOption& option);

// True for the extensions a document opens from ("Cannot open" names the others).
bool IsOpenType(const std::string& extension);

// True for the extensions OpenAudioFileSink writes directly.
bool IsDirectSaveType(const std::string& extension);

}  // namespace sondrel
