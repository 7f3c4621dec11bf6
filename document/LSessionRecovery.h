// Start-up after a run that ended abnormally. Journals are deleted by every
// clean close and exit, so any journal in the data folder at start-up means
// the last run was killed, crashed or lost its power. Each journal is read
// and checked against the segment files it names (present, long enough);
// the user is told which documents can be recovered and then either gets
// them back as modified documents, or has them discarded. A damaged or
// partial journal is reported and never trusted. A recovered document's undo
// starts empty: a journal keeps the document, not its undo ring, whose
// snapshots would hold many more segments and a journal eight times larger.
//
// The order at start-up matters: read the journals (LSessionRecovery) and
// ask the user before anything clears the data folder or the tank allocates
// a segment; keep the segments of KeepSet when leftovers are cleared; then,
// with the tank over the folder current, Recover before the first new
// segment is written, so that the recovered documents' segments are
// counted and no new segment overwrites them.
#pragma once
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "document/LCutListAudio.h"
#include "document/LDocumentJournal.h"

namespace sondrel {

class LDocuments;
class LJournalKeeper;

struct LRecoveryItem {
    std::string szJournal;  // the journal file
    uint32_t nSlot = 0;
    bool bUsable = false;
    // Why the document cannot be recovered ("its saved state is damaged",
    // "its audio file 3.aud is missing", ...); empty when it can.
    std::string szProblem;
    bool bDecoded = false;  // record holds what the journal says
    LJournalRecord record;
    // The document's name, its length in milliseconds and when it last
    // changed (seconds since 1970), for the prompt.
    std::string DisplayName() const;
    int32_t LengthMs() const;
};

class LSessionRecovery {
public:
    // Reads and checks every journal in folder; changes nothing.
    explicit LSessionRecovery(std::string folder);

    // Journals were found: the last run ended abnormally.
    bool Found() const { return !vItems.empty(); }
    // Usable ones first in the documents' order, then the others.
    const std::vector<LRecoveryItem>& Items() const { return vItems; }
    int UsableCount() const;

    // The segments the usable journals name: clearing leftovers must keep them.
    std::set<uint16_t> KeepSet() const;

    // With the tank over the folder current: takes the tank's references
    // for the usable documents' segments (so no new segment can take their
    // indices). Recover does it first when it has not been done.
    void Hold();

    // Adds every usable document to docs as a modified document (its path,
    // untitled number where free, format, cuts, cursor, selection and
    // view), has keeper continue its journal, and deletes the journals that
    // could not be used. Segment summaries that do not match their
    // segments are made again. Returns how many documents came back.
    int Recover(LDocuments& docs, LJournalKeeper& keeper);

    // Deletes every journal and the segment files (and summaries) the
    // journals name.
    void Discard();

private:
    void DeleteJournals(bool usableToo);

    std::string szFolder;
    std::vector<LRecoveryItem> vItems;
    std::vector<std::string> vStrays;   // "<slot>.jnl.new": writes that never completed
    std::vector<LCutListAudio> vHeld;   // the usable documents' audio, once held
    bool bHeld = false;
};

}  // namespace sondrel
