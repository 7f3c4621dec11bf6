#include "document/LSDLoadFile.h"

#include <algorithm>

#include "document/LAudioCutTank.h"
#include "document/LDocumentHost.h"
#include "document/LSDFile.h"
#include "formats/LRealAudio.h"
#include "formats/LWaveFile.h"
#include "formats/flac/LFLACFile.h"
#include "formats/ogg/LOpusFile.h"
#include "formats/ogg/LVorbisFile.h"
#include "formats/gsm/LGSMFile.h"
#include "formats/mp3/LMP3Source.h"
#include "formats/vox/LVoxFile.h"
#include "support/LFile.h"
#include "support/LSettings.h"

namespace sondrel {

LSoundSourcePtr OpenAudioFileSource(const std::string& path, int32_t voxRate) {
    std::string ext = FileExtension(path);
    if (SameText(ext, ".wav")) return LWaveFile::OpenSource(path.c_str());
    if (SameText(ext, ".mp3")) return OpenMP3Source(path.c_str());
    if (SameText(ext, ".gsm")) return OpenGSMSource(path.c_str());
    if (SameText(ext, ".vox")) return OpenVOXSource(path.c_str(), voxRate);
    if (SameText(ext, ".flac")) return OpenFLACSource(path.c_str());
    if (SameText(ext, ".opus")) return OpenOpusSource(path.c_str());
    if (SameText(ext, ".ogg") || SameText(ext, ".oga")) {
        // An Ogg file is mostly Vorbis; Opus goes by this name too.
        LSoundSourcePtr r = OpenVorbisSource(path.c_str(), false);
        return r->HasError() ? OpenOpusSource(path.c_str()) : r;
    }
    return LSoundSourcePtr();  // unknown type: the silent source with its error flag
}

LSoundSourcePtr OpenDocumentSource(const std::string& path, int32_t voxRate) {
    LSoundSourcePtr src = OpenAudioFileSource(path, voxRate);
    if (src->HasError()) {
        // A reader that failed has said why; an unknown type has not.
        NoteFailure(LFailure::kNotAudio, path);
        return LSoundSourcePtr();
    }
    if (src->nChans > 2) {
        // Every operation of the editor converts between mono and stereo
        // only; a document that could not be converted, played, mixed with
        // or saved as GSM or VOX is refused at the door.
        NoteFailure(LFailure::kChannels, path, src->nChans);
        return LSoundSourcePtr();
    }
    return src;
}

namespace {

// Passes its input on unchanged under a cut-list reader's peak bound.
class LSRCDocumentBound : public LSRCFilter {
public:
    explicit LSRCDocumentBound(const LSoundSourcePtr& input) : LSRCFilter(input) { iPeakBound = kPeakBoundCutList; }
    void Read(int32_t* buffer, int32_t n) override { pInput->Read(buffer, n); }
};

}  // namespace

LSoundSourcePtr AsLoadedDocument(const LSoundSourcePtr& source) {
    // The load's pump keeps the file's rate and channels, so of its
    // adaptation only the limiter can act.
    return MakeSource<LSRCDocumentBound>(LSPPeakLimit(kMax16).OpenSource(source));
}

bool IsOpenType(const std::string& ext) {
    for (const char* e : {".wav", ".mp3", ".gsm", ".vox", ".flac", ".ogg", ".oga", ".opus"})
        if (SameText(ext, e)) return true;
    return false;
}

bool IsDirectSaveType(const std::string& ext) {
    for (const char* e : {".wav", ".gsm", ".vox", ".flac", ".ogg", ".opus"})
        if (SameText(ext, e)) return true;
    return false;
}

int32_t ReadEncoderOption(const LEncoderOption& option) {
    return std::clamp(ReadInt("Settings", option.szKey, option.nDefault), option.nMin, option.nMax);
}

LSoundSinkPtr OpenAudioFileSink(const std::string& path, const std::string& typePath, int32_t rate, uint32_t chans,
                                const LAudioTags& tags) {
    std::string ext = FileExtension(typePath);
    if (SameText(ext, ".wav")) return LWaveFile::OpenSinkPCM(path.c_str(), rate, 0, 16, int32_t(chans));
    if (SameText(ext, ".gsm")) return OpenGSMSink(path.c_str());
    if (SameText(ext, ".vox")) return OpenVOXSink(path.c_str(), rate);
    if (SameText(ext, ".flac")) return OpenFLACSink(path.c_str(), rate, chans, ReadEncoderOption(kFlacLevelOption), tags);
    if (SameText(ext, ".ogg"))
        return OpenVorbisSink(path.c_str(), rate, chans, ReadEncoderOption(kVorbisQualityOption), tags);
    if (SameText(ext, ".opus")) return OpenOpusSink(path.c_str(), chans, ReadEncoderOption(kOpusBitRateOption), tags);
    return LSoundSinkPtr();
}

namespace {

// Where a RealAudio file is decoded to: its name with ".wav" in the data
// folder, or another new name there when a file already has that one.
std::string RealAudioWavePath(const std::string& realPath) {
    const LAudioCutTank* tank = LAudioCutTank::Current();
    std::string folder = tank ? tank->GetFolder() : std::string();
    std::string name = FileNamePart(realPath);
    name = name.substr(0, name.size() - FileExtension(name).size()) + ".wav";
    std::string path = JoinPath(folder, name);
    return LFile::Exists(path.c_str()) ? MakeTempFile(folder, "ra") : path;
}

}  // namespace

LProcessResult Process(LProgress* progress, SDLoadFile& record) {
    std::string caption = "Loading " + FileNamePart(record.szPath);
    progress->SetText(caption.c_str(), 0);
    progress->SetText("Please wait...", 1);

    if (IsRealAudioType(FileExtension(record.szPath))) {
        if (!pDecodeRealAudio || !record.pAudio) return kProcessFailed;
        std::string wav = RealAudioWavePath(record.szPath);
        if (wav.empty()) return kProcessFailed;
        LProcessResult r = pDecodeRealAudio(progress, record.szPath, wav);
        if (r == kProcessDone) {
            LCutListAudioLoadSource load{caption, record.pAudio, LWaveFile::OpenSource(wav.c_str()), {}};
            r = load.pSource->HasError() ? kProcessFailed : Process(progress, load);
        }  // the reader is closed here, so that its file can go
        LFile::Delete(wav.c_str());
        return r;
    }

    int32_t voxRate = record.nVoxDefaultRate;
    if (SameText(FileExtension(record.szPath), ".vox") && record.bVoxPrompt) {
        if (!record.pHost || !record.pHost->AskVoxSampleRate()) return kProcessCancelled;
        voxRate = ReadInt("Settings", "VoxSelectedSampleRate", 8000);
        record.bVoxPrompt = false;
    }
    ResetOpenReport(record.szPath);
    LSoundSourcePtr src = OpenDocumentSource(record.szPath, voxRate);
    if (src->HasError() || !record.pAudio) return kProcessFailed;
    record.nExpectedFrames = src->GetLength();
    LCutListAudioLoadSource load{caption, record.pAudio, src, {}};
    // The overview is handed out as soon as the copy has made it.
    struct Overview : LProgress {
        LProgress* inner;
        LCutListAudioLoadSource* load;
        SDLoadFile* record;
        bool IsCancelled() override {
            if (!record->pOverview && load->pOverview) {
                record->pOverview = load->pOverview;
                if (record->pWatch) record->pWatch->Set(record->nExpectedFrames, record->pOverview);
            }
            return inner->IsCancelled();
        }
        void SetText(const char* text, int line) override { inner->SetText(text, line); }
        void SetProgress(double f) override { inner->SetProgress(f); }
        void ShowError(const char* text) override { inner->ShowError(text); }
        bool WaitTime(uint32_t ms) override { return inner->WaitTime(ms); }
    } overview;
    overview.inner = progress;
    overview.load = &load;
    overview.record = &record;
    LProcessResult r = Process(&overview, load);
    record.pOverview = load.pOverview;
    record.report = OpenReport();
    return r;
}

}  // namespace sondrel
