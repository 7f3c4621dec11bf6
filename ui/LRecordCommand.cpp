#include "ui/LRecordCommand.h"

#include "document/LCutListEdit.h"

namespace sondrel {

bool InsertTake(LDocuments& docs, LCutListAudio& take) {
    LSDFile* d = docs.Current();
    if (!d || take.GetLength() <= 0) return false;
    const bool selection = d->HasValidSelection();
    const int32_t start = selection ? d->stSelStart.ms : d->stPosition.ms;
    const int32_t end = selection ? d->stSelEnd.ms : start;
    docs.StartModifyCurrentFile("Record");
    if (take.nSampleRate == d->audio.nSampleRate && take.nChans == d->audio.nChans) {
        d->audio.EfPasteOver(d->MsToFrames(start), d->MsToFrames(end), take);
    } else {
        // A take of another format goes in converted, as a paste does.
        LEfPasteOver rec{&d->audio, start, end, &take};
        if (docs.RunOperation("Pasting", [&](LProgress* p) { return Process(p, rec); }) != kProcessDone) {
            // Cancelled or failed (the failure was shown): the document
            // goes back to what it was.
            docs.RevertCurrentFile();
            return false;
        }
    }
    d->stSelStart.ms = start;
    d->stSelEnd.ms = start + LSoundTime::FromSamples(take.GetLength(), take.nSampleRate).ms;
    d->stPosition.ms = start;
    d->stViewStart.ms = 0;
    d->stViewEnd.ms = d->LengthMs();
    docs.Changed();
    return true;
}

void RecordIntoDocuments(LDocuments& docs, const LRecordDialogFn& dialog, const std::function<void()>& changed) {
    while (LSDFile* d = docs.Current()) {
        const int32_t rate = d->audio.nSampleRate;
        const uint8_t chans = d->audio.nChans;
        LCutListAudio take(rate, chans);
        const int result = dialog(rate, chans, d->DisplayName(), take);
        if (result != 1 && result != 2) return;
        const bool inserted = InsertTake(docs, take);
        if (inserted && changed) changed();
        if (result != 2) return;
        // The next file. A document still empty and untouched takes the
        // next take itself rather than leaving an empty one behind.
        const bool unused = !inserted && d->szFilePath.empty() && !d->bDirty && d->audio.GetLength() == 0;
        if (!unused) {
            docs.AddUntitled(LCutListAudio(rate, chans));
            if (changed) changed();
        }
    }
}

void RunRecordCommand(LDocuments& docs, LRecordCommandHost& host) {
    if (!docs.Current() && !docs.CmNew()) return;
    host.StopPlayer();
    RecordIntoDocuments(
        docs,
        [&host](int32_t rate, uint8_t chans, const std::string& name, LCutListAudio& take) {
            return host.RecordDialog(rate, chans, name, take);
        },
        [&host] { host.Refresh(); });
}

}  // namespace sondrel
