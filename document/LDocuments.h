// The open documents, the current one and the clipboard, with the
// document-level behaviour of the editor's file and edit commands. The main
// window and the command-line tool both drive these.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "document/LDocumentHost.h"
#include "document/LList.h"
#include "document/LSDFile.h"

namespace sondrel {

constexpr int kMaxUntitledIdx = 19;

class LDocuments {
public:
    explicit LDocuments(LDocumentHost& host) : host_(host) {}
    ~LDocuments() { lstFiles.Clear(); }
    LDocuments(const LDocuments&) = delete;
    LDocuments& operator=(const LDocuments&) = delete;

    LSDFile* Current() const { return pCurrent; }
    int GetNoFiles() const { return int(lstFiles.Count()); }
    // The n-th open document in opening order (0-based), or null.
    LSDFile* At(int n) const;
    void MakeCurrent(LSDFile* doc);

    uint32_t GetUntitledIdx() const;

    // File commands. Each returns whether it did what it was asked.
    bool CmNew();
    bool CmOpen();
    bool LoadFile(const std::string& path);
    bool AddFileToList(const std::string& path, bool asNew);
    bool CmSave();
    bool CmSaveAs();
    bool SaveDocument(LSDFile& doc);   // the CmSave steps on any document
    bool SaveDocumentAs(LSDFile& doc); // the CmSaveAs steps on any document
    bool SaveChanges(LSDFile& doc);    // false: the user cancelled
    bool CmClose();
    bool CmCloseAll();
    bool CmUndo();
    bool CmRedo();
    bool CmConvertSampleRate();
    bool CmConvertChannel(uint8_t chans);

    // The current document with its position and selection held to its
    // audio (0 to its length): every edit command starts here, so a
    // selection or position past the end never reaches a cut-list operation.
    LSDFile* CurrentForEdit();

    // Runs a long operation under the host's progress dialog like
    // LDocumentHost::RunOperation; when it fails for a noted reason, the
    // host shows "Cannot complete "<title>": <reason>.".
    LProcessResult RunOperation(const char* title, const std::function<LProcessResult(LProgress*)>& operation);
    // Shows "<what> "<subject>": <reason>." for the failure noted last
    // (LastFailure) and returns false.
    bool ReportFailure(const char* what, const std::string& subject);

    // Undo step before an edit of the current document.
    void StartModifyCurrentFile(const char* description);
    // Takes back the current document's newest step, leaving nothing to
    // redo: an edit cancelled halfway.
    bool RevertCurrentFile();

    // The history's limits (read from the settings at construction); new
    // limits apply at once. TrimHistory holds every document's history to
    // them: first the count of steps, then the disk that only the history
    // holds (audio no open document or the clipboard uses), dropping the
    // oldest steps of all documents first. Changed() trims and tells the
    // host; everything that changes a document ends with it.
    void SetHistoryLimits(const LHistoryLimits& limits);
    const LHistoryLimits& HistoryLimits() const { return limits_; }
    void TrimHistory();
    void Changed();
    // Bytes of the segment files (with their summaries) that only the
    // history names now.
    uint64_t HistoryOnlyBytes() const;
    // After an edit: the cursor goes to positionMs; with automatic playback
    // on it moves back by preRollMs (not below 0) and playback starts there.
    void EndModifyCurrentFile(int32_t preRollMs, int32_t positionMs);

    // "Sample Rate: %d   %s" of the current document ("" when none).
    std::string StatusText() const;
    // "Sondrel [%s]" or "Sondrel".
    std::string TitleText() const;

    // Closes every document without asking (a batch run's end).
    void ReleaseAll() {
        lstFiles.Clear();
        pCurrent = nullptr;
    }
    // A new untitled document over a copy of audio, appended and made current.
    LSDFile& AddUntitled(const LCutListAudio& audio);

    // A batch that only changes a file's format: opens input as
    // AddFileToList would and saves it to output as SaveDocument would,
    // streaming from the reader into the writer, with no document and no
    // copy in the data folder (nobody edits it in between). The file
    // written is the one the two steps write. Only where the save takes the
    // audio as it is (ConvertsWithoutDocument). Failures are reported as
    // the two steps report them; *opened tells which step failed.
    static bool ConvertsWithoutDocument(const std::string& input, const std::string& output);
    LProcessResult ConvertFile(const std::string& input, const std::string& output, bool* opened);
    LDocumentHost& Host() const { return host_; }

    LCutListAudio clipboard;

private:
    // Done: written and in place; cancelled; failed (LastFailure says why).
    // The target is untouched unless it is done.
    LProcessResult WriteThroughSink(const LSoundSourcePtr& source, const std::string& target, const LAudioTags& tags);
    LProcessResult SaveToSink(const LSoundSourcePtr& source, LSoundSinkPtr sink);
    // MP3: the encoder's own checks decide; false when nothing was saved.
    bool SaveThroughEncoder(LSDFile& doc);
    // Saving over the file the document came from: asks first when that
    // file holds more than the document keeps; false when the user declines.
    bool ConfirmLoss(LSDFile& doc);
    // After a save: the file holds what the document holds.
    void Saved(LSDFile& doc);
    LList<LSDFile>::Node* NodeOf(const LSDFile* doc) const;
    bool ConvertFormat(const char* description, int32_t rate, uint8_t chans);

    // The segment indices only the history names.
    std::vector<uint16_t> HistoryOnlySegments() const;

    LDocumentHost& host_;
    LHistoryLimits limits_ = ReadHistoryLimits();
    LList<LSDFile> lstFiles;
    LSDFile* pCurrent = nullptr;
};

}  // namespace sondrel
