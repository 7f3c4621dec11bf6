#include "document/LDocuments.h"

#include <algorithm>
#include <cstdio>

#include "core/LPump.h"
#include "document/LCutListEdit.h"
#include "document/LSDLoadFile.h"
#include "document/LSegmentSummary.h"
#include "formats/LMP3Export.h"
#include "formats/LWaveFile.h"
#include "formats/ogg/LOpusFile.h"
#include "support/LFile.h"
#include "support/LFilePath.h"
#include "support/LSettings.h"

namespace sondrel {

LSDFile* LDocuments::At(int n) const {
    int i = 0;
    for (auto it = lstFiles.Begin(); it.IsValid(); it.Next(), ++i)
        if (i == n) return &*it;
    return nullptr;
}

LList<LSDFile>::Node* LDocuments::NodeOf(const LSDFile* doc) const {
    for (auto it = lstFiles.Begin(); it.IsValid(); it.Next())
        if (&*it == doc) return it.GetNode();
    return nullptr;
}

void LDocuments::MakeCurrent(LSDFile* doc) {
    if (doc && !NodeOf(doc)) return;
    pCurrent = doc;
    Changed();
}

uint32_t LDocuments::GetUntitledIdx() const {
    for (uint32_t n = 1; n <= kMaxUntitledIdx; ++n) {
        bool used = false;
        for (auto it = lstFiles.Begin(); it.IsValid() && !used; it.Next()) used = it->nUntitledIdx == n;
        if (!used) return n;
    }
    return 1;
}

bool LDocuments::CmNew() {
    host_.StopPlayback();
    if (ReadBool("Settings", "PromptSampleAndChannels", true) && !host_.AskNewFileFormat()) return false;
    return AddFileToList("", false);
}

bool LDocuments::CmOpen() {
    host_.StopPlayback();
    std::string path;
    if (!host_.AskOpenPath(path)) return false;
    return LoadFile(path);
}

bool LDocuments::LoadFile(const std::string& path) {
    for (auto it = lstFiles.Begin(); it.IsValid(); it.Next()) {
        if (SameText(it->szFilePath, path)) {
            MakeCurrent(&*it);
            return true;
        }
    }
    return AddFileToList(path, false);
}

bool LDocuments::AddFileToList(const std::string& path, bool asNew) {
    auto* node = lstFiles.AddTail(LSDFile(path));
    LSDFile& doc = node->data;
    if (!path.empty()) {
        SDLoadFile rec;
        rec.szPath = path;
        rec.bVoxPrompt = ReadBool("Settings", "VoxPromptSampleRate", true);
        rec.nVoxDefaultRate = ReadInt("Settings", "VoxDefaultSampleRate", 8000);
        rec.pAudio = &doc.audio;
        rec.pHost = &host_;
        LLoadWatch watch;
        rec.pWatch = &watch;
        ClearFailure();
        LProcessResult r =
            host_.RunLoad("Loading Audio File Source", watch, [&](LProgress* p) { return Process(p, rec); });
        if (r != kProcessDone) {
            lstFiles.Remove(node);  // its audio and its references go with it
            // A failure that was noted is told here; one without a note was
            // already shown by the operation itself (the RealAudio decoder's).
            if (r != kProcessFailed || LastFailure().eKind == LFailure::kNone) return false;
            return ReportFailure("Cannot open", path);
        }
        doc.szStoredPath = path;
        doc.fmtStored = rec.report.format;
        doc.tags = rec.report.tags;
        std::string notice = OpenReportText(rec.report, FileNamePart(path));
        if (!notice.empty()) host_.ShowNotice(notice);
        if (asNew) {
            doc.szFilePath.clear();
            doc.bDirty = 1;
            doc.nUntitledIdx = GetUntitledIdx();
        }
    } else {
        bool prompt = ReadBool("Settings", "PromptSampleAndChannels", true);
        int32_t rate = ReadInt("Settings", prompt ? "SelectedSampleRate" : "DefaultSampleRate", 44100);
        int32_t chans = ReadInt("Settings", prompt ? "SelectedChannels" : "DefaultChannels", 1);
        // A damaged setting must not make a document nothing can play.
        doc.audio.nSampleRate = rate >= 1 ? rate : 44100;
        doc.audio.nChans = chans == 2 ? 2 : 1;
        doc.nUntitledIdx = GetUntitledIdx();
    }
    doc.stViewStart.ms = 0;
    doc.stViewEnd.ms = doc.LengthMs();
    MakeCurrent(&doc);
    return true;
}

LSDFile& LDocuments::AddUntitled(const LCutListAudio& audio) {
    LSDFile& doc = lstFiles.AddTail(LSDFile())->data;
    doc.audio = audio;
    doc.nUntitledIdx = GetUntitledIdx();
    doc.stViewEnd.ms = doc.LengthMs();
    MakeCurrent(&doc);
    return doc;
}

namespace {

// A failure noted on a temporary file of a save names the target instead:
// that file is ours, not the user's.
void NameTargetForTemp(const std::string& temp, const std::string& target) {
    LFailureNote note = LastFailure();
    if (note.szPath != temp) return;
    ClearFailure();
    NoteFailure(note.eKind, target, note.nValue);
}

}  // namespace

LProcessResult LDocuments::SaveToSink(const LSoundSourcePtr& source, LSoundSinkPtr sink) {
    LPRSourceToSink rec{"Saving ...", source, std::move(sink)};
    LProcessResult r = host_.RunOperation("Saving", [&](LProgress* p) { return Process(p, rec); });
    // Only a finished sink has its whole output on the disk.
    bool finished = rec.pSink && rec.pSink->Finish();
    return r == kProcessDone && !finished ? kProcessFailed : r;
}

// Writes the document into a new file beside the target and puts it in the
// target's place only when the whole file has been written, flushed and
// closed, so that a failed or cancelled save (a full disk, say) never
// destroys or shortens the file that was there.
LProcessResult LDocuments::WriteThroughSink(const LSoundSourcePtr& source, const std::string& target,
                                             const LAudioTags& tags) {
    std::string folder = target.substr(0, target.size() - FileNamePart(target).size());
    RemoveStaleTempFiles(folder.empty() ? "." : folder);  // left by saves that were killed
    std::string temp = MakeTempFile(folder, "save");
    if (temp.empty()) {
        NoteFailure(LFile::LastError(), target);
        return kProcessFailed;
    }
    LProcessResult r = kProcessFailed;
    {
        LSoundSinkPtr sink = OpenAudioFileSink(temp, target, source->nSampleRate, source->nChans, tags);
        if (sink && !sink->HasError()) r = SaveToSink(source, std::move(sink));
    }  // the writer is finished here at the latest
    bool ok = r == kProcessDone;
    if (ok) {
        LFile::CopyPermissions(target.c_str(), temp.c_str());
        ok = LFile::Replace(temp.c_str(), target.c_str());
        if (!ok) {
            NoteFailure(LFile::LastError(), target);
            r = kProcessFailed;
        }
    }
    if (!ok) {
        LFile::Delete(temp.c_str());
        NameTargetForTemp(temp, target);
    }
    return r;
}

bool LDocuments::SaveDocument(LSDFile& doc) {
    if (doc.szFilePath.empty()) return SaveDocumentAs(doc);
    std::string ext = FileExtension(doc.szFilePath);
    if (SameText(ext, ".ra") || SameText(ext, ".ram") || SameText(ext, ".rm")) {
        LDocumentHost::Answer a = host_.Ask(
            "Saving in real audio file format is not supported. Do you want to save in another format (wav, mp3, gsm, "
            "vox) instead?",
            false);
        return a == LDocumentHost::kYes && SaveDocumentAs(doc);
    }
    if (SameText(ext, ".mp3")) {
        if (!ConfirmLoss(doc) || !SaveThroughEncoder(doc)) return false;
        doc.bDirty = 0;
        Saved(doc);
        Changed();
        return true;
    }
    if (!IsDirectSaveType(ext)) {
        // Nothing is written and the document stays as it is; the user
        // learns why instead of seeing nothing happen.
        host_.ShowError("Cannot save \"" + doc.szFilePath +
                        "\": Sondrel saves only .wav, .mp3, .flac, .ogg, .opus, .gsm and .vox files.");
        return false;
    }
    if (!ConfirmLoss(doc)) return false;

    if (SameText(ext, ".vox") && doc.audio.nChans > 1) {
        LSDFile* was = pCurrent;
        pCurrent = &doc;
        bool converted = CmConvertChannel(1);
        pCurrent = was;
        if (!converted) return false;
    }
    ClearFailure();
    if (LProcessResult r = WriteThroughSink(CreateSource(doc.audio), doc.szFilePath, doc.tags); r != kProcessDone) {
        // A cancel is the user's own choice: no message for it.
        return r == kProcessCancelled ? false : ReportFailure("Cannot save", doc.szFilePath);
    }
    doc.bDirty = 0;
    Saved(doc);
    if (SameText(ext, ".opus") && doc.audio.nSampleRate != kOpusRate) {
        char b[64];
        std::snprintf(b, sizeof b, "%d Hz", int(doc.audio.nSampleRate));
        host_.ShowNotice("\"" + FileNamePart(doc.szFilePath) + "\" was saved at 48000 Hz, the rate of Opus files; the "
                         "document stays at " + b + ".");
    }
    Changed();
    return true;
}

bool LDocuments::ConfirmLoss(LSDFile& doc) {
    if (!SameText(doc.szFilePath, doc.szStoredPath)) return true;
    std::string question = LossQuestion(doc.fmtStored, FileNamePart(doc.szFilePath));
    return question.empty() || host_.Ask(question, true) == LDocumentHost::kYes;
}

void LDocuments::Saved(LSDFile& doc) {
    // The file now holds what the document holds.
    doc.szStoredPath = doc.szFilePath;
    doc.fmtStored = LStoredFormat();
    // Every other state the history keeps differs from the file now.
    doc.history.MarkAllDirty();
}

// MP3: the audio goes to a temporary 16-bit WAV beside the target, the
// encoder makes the MP3 from it, and the WAV is deleted whatever happened.
// A WAV that could not be written completely (a full disk) fails the save
// before the encoder starts; the encoder's own failures are shown by its
// operation, and the target stays as it was in every case.
bool LDocuments::SaveThroughEncoder(LSDFile& doc) {
    ClearFailure();
    SDSaveAsMp3 rec;
    rec.szMp3Path = doc.szFilePath;
    rec.szWavePath = MakeEncoderWavePath(doc.szFilePath);
    if (rec.szWavePath.empty()) {
        NoteFailure(LFile::LastError(), doc.szFilePath);
        return ReportFailure("Cannot save", doc.szFilePath);
    }
    LProcessResult r = kProcessFailed;
    {
        LSoundSinkPtr sink = LWaveFile::OpenSinkPCM(rec.szWavePath.c_str(), doc.audio.nSampleRate, 0, 16, doc.audio.nChans);
        if (sink && !sink->HasError()) r = SaveToSink(CreateSource(doc.audio), std::move(sink));
    }  // the WAV's header is complete here
    if (r == kProcessDone) {
        r = host_.RunOperation("Save mp3", [&](LProgress* p) { return Process(p, rec); });
        LFile::Delete(rec.szWavePath.c_str());
        return r == kProcessDone;
    }
    LFile::Delete(rec.szWavePath.c_str());
    if (r == kProcessCancelled) return false;
    NameTargetForTemp(rec.szWavePath, doc.szFilePath);
    return ReportFailure("Cannot save", doc.szFilePath);
}

bool LDocuments::CmSave() { return pCurrent && SaveDocument(*pCurrent); }

bool LDocuments::ConvertsWithoutDocument(const std::string& input, const std::string& output) {
    // Readers that need no question and no decoding step of their own, and
    // writers that save the audio as it is (a VOX save first makes the
    // document mono, an MP3 save goes through the encoder's program).
    const std::string in = FileExtension(input), out = FileExtension(output);
    bool reader = SameText(in, ".vox") && !ReadBool("Settings", "VoxPromptSampleRate", true);
    for (const char* e : {".wav", ".mp3", ".gsm", ".flac", ".ogg", ".oga", ".opus"}) reader = reader || SameText(in, e);
    return reader && (SameText(out, ".wav") || SameText(out, ".gsm"));
}

LProcessResult LDocuments::ConvertFile(const std::string& input, const std::string& output, bool* opened) {
    *opened = false;
    ClearFailure();
    ResetOpenReport(input);
    LSoundSourcePtr src = OpenDocumentSource(input, ReadInt("Settings", "VoxDefaultSampleRate", 8000));
    if (src->HasError()) {
        ReportFailure("Cannot open", input);
        return kProcessFailed;
    }
    *opened = true;
    ClearFailure();
    LProcessResult r = WriteThroughSink(AsLoadedDocument(src), output, OpenReport().tags);
    if (r == kProcessFailed) ReportFailure("Cannot save", output);
    // What a load would have told (dither, clipping, a mixdown), once the
    // whole input has been read.
    std::string notice = OpenReportText(OpenReport(), FileNamePart(input));
    if (!notice.empty()) host_.ShowNotice(notice);
    return r;
}

bool LDocuments::SaveDocumentAs(LSDFile& doc) {
    host_.StopPlayback();
    std::string path;
    for (;;) {
        path.clear();
        if (!host_.AskSavePath(path)) return false;
        if (!LFile::Exists(path.c_str())) break;
        LDocumentHost::Answer a = host_.Ask("Another file with the same name already exists. Do you want to replace it?", false);
        if (a == LDocumentHost::kCancel) return false;
        if (a == LDocumentHost::kYes) break;
    }
    // A save that fails or is cancelled leaves the document named and
    // marked as it was: no file holds it under the new name.
    const std::string oldPath = doc.szFilePath;
    const uint8_t oldDirty = doc.bDirty;
    doc.szFilePath = path;
    doc.bDirty = 1;
    Changed();
    if (SaveDocument(doc)) return true;
    doc.szFilePath = oldPath;
    doc.bDirty = oldDirty;
    Changed();
    return false;
}

bool LDocuments::CmSaveAs() { return pCurrent && SaveDocumentAs(*pCurrent); }

bool LDocuments::SaveChanges(LSDFile& doc) {
    if (!doc.bDirty) return true;
    std::string text = "Save changes to \"" + doc.DisplayName() + "\"?";
    switch (host_.Ask(text, true)) {
        case LDocumentHost::kCancel: return false;
        case LDocumentHost::kNo: return true;
        // Only a completed save lets a modified document go: a failed or
        // cancelled one keeps it, as Cancel does (the failure was shown).
        case LDocumentHost::kYes: return SaveDocument(doc) && !doc.bDirty;
    }
    return true;
}

bool LDocuments::CmClose() {
    host_.StopPlayback();
    if (!pCurrent) return false;
    if (!SaveChanges(*pCurrent)) return false;
    if (!pCurrent->szFilePath.empty()) host_.AddRecentFile(pCurrent->szFilePath);
    lstFiles.Remove(NodeOf(pCurrent));
    pCurrent = lstFiles.IsEmpty() ? nullptr : &lstFiles.GetHead()->data;
    Changed();
    return true;
}

bool LDocuments::CmCloseAll() {
    host_.StopPlayback();
    for (auto it = lstFiles.Begin(); it.IsValid(); it.Next()) {
        if (!SaveChanges(*it)) return false;
        if (!it->szFilePath.empty()) host_.AddRecentFile(it->szFilePath);
    }
    lstFiles.Clear();
    pCurrent = nullptr;
    Changed();
    return true;
}

bool LDocuments::CmUndo() {
    host_.StopPlayback();
    if (!pCurrent || !pCurrent->Undo()) return false;
    Changed();
    return true;
}

bool LDocuments::CmRedo() {
    host_.StopPlayback();
    if (!pCurrent || !pCurrent->Redo()) return false;
    Changed();
    return true;
}

bool LDocuments::RevertCurrentFile() {
    if (!pCurrent || !pCurrent->Revert()) return false;
    Changed();
    return true;
}

void LDocuments::SetHistoryLimits(const LHistoryLimits& limits) {
    limits_ = limits;
    limits_.nLevels = std::clamp(limits_.nLevels, kMinUndoLevels, kMaxUndoLevels);
    TrimHistory();
}

void LDocuments::Changed() {
    TrimHistory();
    host_.DocumentChanged();
}

std::vector<uint16_t> LDocuments::HistoryOnlySegments() const {
    // 1: an open document or the clipboard names it; 2: only the history.
    std::vector<uint8_t> mark(LAudioCutTank::kIndexCount, 0);
    auto live = [&](const LCutList& cuts) {
        for (auto c = cuts.Begin(); c.IsValid(); c.Next()) mark[c->nIndex] = 1;
    };
    live(clipboard.lstCuts);
    for (auto it = lstFiles.Begin(); it.IsValid(); it.Next()) live(it->audio.lstCuts);
    std::vector<uint16_t> only;
    for (auto it = lstFiles.Begin(); it.IsValid(); it.Next()) {
        it->history.ForEachStep([&](const LSDUndoRecord& r) {
            for (uint16_t index : r.vSegments) {
                if (mark[index]) continue;
                mark[index] = 2;
                only.push_back(index);
            }
        });
    }
    return only;
}

uint64_t LDocuments::HistoryOnlyBytes() const {
    const LAudioCutTank* tank = LAudioCutTank::Current();
    if (!tank) return 0;
    uint64_t bytes = 0;
    for (uint16_t index : HistoryOnlySegments()) {
        const std::string aud = tank->GetAudFilePath(index);
        for (const std::string& path : {aud, SummaryPath(aud)}) {
            LFile f;
            if (!path.empty() && f.Open(path.c_str(), LFile::kRead)) bytes += uint64_t(std::max<int64_t>(f.Size(), 0));
        }
    }
    return bytes;
}

void LDocuments::TrimHistory() {
    for (auto it = lstFiles.Begin(); it.IsValid(); it.Next()) it->history.Trim(limits_.nLevels);
    const LAudioCutTank* tank = LAudioCutTank::Current();
    for (;;) {
        const uint64_t held = HistoryOnlyBytes();
        if (held == 0) return;
        const uint64_t freeBytes =
            limits_.nDiskBytes || !tank ? 0 : uint64_t(GetDriveFreeSpaceKB(tank->GetFolder().c_str())) * 1024;
        if (held <= HistoryDiskBudget(limits_, freeBytes, held)) return;
        // The oldest undo step of all documents; when none is left, the
        // farthest step to redo of any.
        LSDFile* oldest = nullptr;
        for (auto it = lstFiles.Begin(); it.IsValid(); it.Next()) {
            const uint64_t serial = it->history.OldestSerial();
            if (serial && (!oldest || serial < oldest->history.OldestSerial())) oldest = &*it;
        }
        if (!oldest)
            for (auto it = lstFiles.Begin(); it.IsValid() && !oldest; it.Next())
                if (it->history.RedoCount()) oldest = &*it;
        if (!oldest || !oldest->history.DropOldest()) return;
    }
}

LSDFile* LDocuments::CurrentForEdit() {
    if (pCurrent) pCurrent->ClampToAudio();
    return pCurrent;
}

LProcessResult LDocuments::RunOperation(const char* title,
                                        const std::function<LProcessResult(LProgress*)>& operation) {
    ClearFailure();
    LProcessResult r = host_.RunOperation(title, operation);
    if (r == kProcessFailed && LastFailure().eKind != LFailure::kNone) ReportFailure("Cannot complete", title);
    return r;
}

bool LDocuments::ReportFailure(const char* what, const std::string& subject) {
    host_.ShowError(std::string(what) + " \"" + subject + "\": " + FailureReason(LastFailure(), subject) + ".");
    return false;
}

void LDocuments::StartModifyCurrentFile(const char* description) {
    if (!pCurrent) return;
    pCurrent->StartModify(description, limits_.nLevels);
    Changed();
}

void LDocuments::EndModifyCurrentFile(int32_t preRollMs, int32_t positionMs) {
    if (!pCurrent) return;
    pCurrent->stPosition.ms = positionMs;
    Changed();
    if (ReadBool("Settings", "AutoPlaybackAfterEffects", true)) {
        pCurrent->stPosition.ms = std::max(positionMs - preRollMs, 0);
        host_.PlayFrom(pCurrent->stPosition.ms);
    }
}

bool LDocuments::ConvertFormat(const char* description, int32_t rate, uint8_t chans) {
    host_.StopPlayback();
    StartModifyCurrentFile(description);
    LCLAConvertRateChannels rec;
    rec.pCutList = &pCurrent->audio;
    rec.nSampleRate = rate;
    rec.nChans = chans;
    LProcessResult r = RunOperation(description, [&](LProgress* p) { return Process(p, rec); });
    Changed();
    return r == kProcessDone;
}

bool LDocuments::CmConvertSampleRate() {
    host_.StopPlayback();
    if (!pCurrent) return false;
    int32_t rate = pCurrent->audio.nSampleRate;
    if (!host_.AskConvertSampleRate(rate) || rate == pCurrent->audio.nSampleRate) return false;
    return ConvertFormat("Convert Sample Rate", rate, pCurrent->audio.nChans);
}

bool LDocuments::CmConvertChannel(uint8_t chans) {
    if (!pCurrent || pCurrent->audio.nChans == chans) return false;
    return ConvertFormat("Convert Channels", pCurrent->audio.nSampleRate, chans);
}

std::string LDocuments::StatusText() const {
    if (!pCurrent) return std::string();
    char b[64];
    std::snprintf(b, sizeof b, "Sample Rate: %d   %s", int(pCurrent->audio.nSampleRate),
                  pCurrent->audio.nChans == 1 ? "Mono" : "Stereo");
    return b;
}

std::string LDocuments::TitleText() const {
    return pCurrent ? "Sondrel [" + pCurrent->DisplayName() + "]" : std::string("Sondrel");
}

}  // namespace sondrel
