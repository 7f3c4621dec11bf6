// Keeps one journal per open document in the data folder, so that a crash,
// a killed process or a power cut loses no edit that reached a document.
//
// Update is called on the user-interface thread after every change that
// reaches the documents (edit, effect, undo, load, record, save, close): it
// encodes each document whose audio, format, path, untitled number or dirty
// flag changed since its last journal (a few microseconds for a thousand
// cuts) and hands the bytes to a writer thread, so the edit never waits for
// the disk. The writer replaces each journal atomically: it first makes the
// segment files the new journal names reach the disk, then writes
// "<slot>.jnl.new", flushes it and renames it over "<slot>.jnl", so a crash
// at any moment leaves the old or the new journal whole. A document that is
// gone from the list has its journal deleted; Close (a clean exit) deletes
// them all.
//
// Only the instance that owns the data folder keeps journals there (a
// second instance would use the same journal names).
//
// Segments named by a journal on the disk must not change under it: the
// keeper holds a tank reference to each segment of every journal it wrote
// (and of every one waiting to be written) until the journal that replaces
// it is in place. So a segment a journal names is neither deleted nor reused for new
// audio while that journal may still be the one a recovery finds.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "document/LCutListAudio.h"
#include "document/LDocumentJournal.h"

namespace sondrel {

class LDocuments;
class LSDFile;

// One tank reference for each segment a cut list uses (not one per cut):
// while it exists none of those segment files is deleted or reused.
class LSegmentHold {
public:
    LSegmentHold() = default;
    explicit LSegmentHold(const LCutList& cuts);
    ~LSegmentHold() { Release(); }
    LSegmentHold(LSegmentHold&& o) noexcept : vIndices(std::move(o.vIndices)) { o.vIndices.clear(); }
    LSegmentHold& operator=(LSegmentHold&& o) noexcept;
    LSegmentHold(const LSegmentHold&) = delete;
    LSegmentHold& operator=(const LSegmentHold&) = delete;
    // The segments, each once, in increasing order.
    const std::vector<uint16_t>& Indices() const { return vIndices; }
    void Release();

private:
    std::vector<uint16_t> vIndices;
};

// What the writer did with one journal (reported on the writer thread).
struct LJournalEvent {
    enum Kind { kWritten, kRemoved, kFailed };
    Kind eKind = kWritten;
    uint32_t nSlot = 0;
    uint32_t nOrder = 0;
    uint64_t nSequence = 0;
    int64_t nChangedTime = 0;
    std::string szFilePath;
};

// The steps of the writer, for tests that stop the process between them.
enum class LJournalStage {
    kSegmentsSynced,  // the new segments are on the disk; nothing of the journal written yet
    kHalfWritten,     // half of the new journal is in "<slot>.jnl.new"
    kWritten,         // all of it, not yet flushed
    kSynced,          // flushed, not yet in place
    kReplaced,        // in place of the old journal
    kRemoving,        // a closed document's journal is about to be deleted
};

class LJournalKeeper {
public:
    // Journals go to folder (the tank's folder). An empty folder keeps none.
    explicit LJournalKeeper(std::string folder);
    // Close.
    ~LJournalKeeper();
    LJournalKeeper(const LJournalKeeper&) = delete;
    LJournalKeeper& operator=(const LJournalKeeper&) = delete;

    // Brings the journals in step with the open documents: new and changed
    // documents get a new journal, closed ones lose theirs. Cursor,
    // selection and view are written with the next change, not on their own.
    void Update(const LDocuments& docs);

    // A document recovered from the journal in slot continues that journal
    // (its next write replaces the file it came from); order is its place
    // among the documents. Call before the next Update.
    void Adopt(const LSDFile* doc, uint32_t slot, uint32_t order);

    // A clean end: waits for the writer, deletes every journal and stops.
    // Later Updates do nothing.
    void Close();

    // Waits until everything handed to the writer is done (or failed).
    void WaitIdle();

    // Seconds since 1970 for the journals' "last changed" (the system clock
    // by default).
    void SetClock(std::function<int64_t()> clock) { fnClock = std::move(clock); }
    // Told of every journal written, removed or failed, on the writer thread.
    void SetListener(std::function<void(const LJournalEvent&)> listener);
    // Called on the writer thread at each step of its work (tests).
    void SetStageHook(std::function<void(LJournalStage)> hook);

    const std::string& Folder() const { return szFolder; }

private:
    struct Entry {
        const LSDFile* pDoc = nullptr;
        uint32_t nSlot = 0;
        uint32_t nOrder = 0;
        uint64_t nSequence = 0;
        std::vector<uint8_t> vContent;  // the journal's document part, as last handed over
        std::string szPath;             // the document's path then
        bool bSeen = false;
    };
    struct Job {
        bool bRemove = false;
        std::vector<uint8_t> vBytes;
        LSegmentHold hold;  // the segments the journal names, until it is replaced
        LJournalEvent event;
        // Removals this job stands in for: a closed document's journal whose
        // slot a new document took before the removal was done; this
        // journal replaces that file.
        std::vector<LJournalEvent> vRemovedBefore;
    };
    struct Slot {
        std::unique_ptr<Job> pPending;
        bool bQueued = false;
        LSegmentHold onDisk;  // the segments the journal on the disk names
    };

    uint32_t FreeSlot() const;
    void Hand(uint32_t slot, std::unique_ptr<Job> job);
    void WriterLoop();
    bool Perform(Job& job, uint32_t slot);
    bool WriteJournal(const Job& job, uint32_t slot);
    void SyncNewSegments(const LSegmentHold& segments);
    void Stage(LJournalStage stage);

    std::string szFolder;
    bool bClosed = false;

    // User-interface thread.
    std::vector<Entry> vEntries;
    uint32_t nNextOrder = 1;
    std::unique_ptr<Job> pSpare;  // encoded into; handed over when the document changed
    std::function<int64_t()> fnClock;
    uint32_t nFailuresSeen = 0;

    // Shared with the writer.
    std::mutex mtx;
    std::condition_variable cvWork, cvIdle;
    std::map<uint32_t, Slot> mSlots;
    std::deque<uint32_t> dQueue;
    bool bBusy = false;
    bool bStop = false;
    std::thread thWriter;
    std::function<void(const LJournalEvent&)> fnListener;
    std::function<void(LJournalStage)> fnStage;
    // Journals the writer could not write; the next Update writes them all again.
    std::atomic<uint32_t> nFailures{0};

    // Writer thread: how many journals on the disk name each segment (those
    // are on the disk already and need no flush).
    std::map<uint16_t, uint32_t> mDurable;
};

}  // namespace sondrel
