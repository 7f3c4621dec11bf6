// The Record command over the open documents: the record dialog runs for
// the current document, and a take it returns goes in over the selection
// (or at the position when there is none) as one edit that Undo reverses
// ("Record"). When the dialog ends with "record the next file", its take
// goes in the same way, a new untitled document of the same rate and
// channel count opens, and the dialog runs again for that one, so that a
// user can record a series of files.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "document/LDocuments.h"

namespace sondrel {

// Runs the record dialog for a document of this rate, channel count and
// display name; take receives what was recorded. Returns the dialog's
// result (1 closed, 2 record the next file, anything else: nothing).
using LRecordDialogFn = std::function<int(int32_t rate, uint8_t chans, const std::string& name, LCutListAudio& take)>;

// Puts a take into the current document: the selection (or the position)
// is replaced by it, the selection becomes the take and the position its
// start, and the whole file is in view. False, changing nothing, without a
// current document or with an empty take.
bool InsertTake(LDocuments& docs, LCutListAudio& take);

// The command's loop, for the current document (none: nothing happens).
// changed is called whenever a take went in or another document became
// current, so that the window can show it while the next dialog runs.
void RecordIntoDocuments(LDocuments& docs, const LRecordDialogFn& dialog, const std::function<void()>& changed = {});

// What the Record command needs from the window it runs in.
class LRecordCommandHost {
public:
    virtual ~LRecordCommandHost() = default;
    // Stops playing, before the device is handed to the recorder.
    virtual void StopPlayer() = 0;
    // Runs the record dialog (on Windows: RunRecordDialog over the main
    // window), as LRecordDialogFn.
    virtual int RecordDialog(int32_t rate, uint8_t chans, const std::string& name, LCutListAudio& take) = 0;
    // Shows the current document as it now is (waveform, title, Save and
    // Undo items): a take went in or a new document became current.
    virtual void Refresh() = 0;
};

// The whole Record command: with no document open the New command first
// (nothing more when it is cancelled), then the player stops and the loop
// above runs with the host's dialog, refreshing the window after each change.
void RunRecordCommand(LDocuments& docs, LRecordCommandHost& host);

}  // namespace sondrel
