#include "document/LJournalKeeper.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>

#include "document/LAudioCutTank.h"
#include "document/LDocuments.h"
#include "document/LSDFile.h"
#include "document/LSegmentSummary.h"
#include "support/LFile.h"
#include "support/LFileSync.h"

namespace sondrel {

namespace {

// "<slot>.jnl.new" beside "<slot>.jnl".
std::string TempPathOf(const std::string& folder, uint32_t slot) {
    char name[32];
    std::snprintf(name, sizeof name, "%u%s", unsigned(slot), kJournalTempSuffix);
    return JoinPath(folder, name);
}

}  // namespace

LSegmentHold::LSegmentHold(const LCutList& cuts) {
    for (auto it = cuts.Begin(); it.IsValid(); it.Next())
        if (!it->IsSilent()) vIndices.push_back(it->nIndex);
    std::sort(vIndices.begin(), vIndices.end());
    vIndices.erase(std::unique(vIndices.begin(), vIndices.end()), vIndices.end());
    if (LAudioCutTank* tank = LAudioCutTank::Current())
        for (uint16_t i : vIndices) tank->IncRef(i);
}

LSegmentHold& LSegmentHold::operator=(LSegmentHold&& o) noexcept {
    if (this != &o) {
        Release();
        vIndices = std::move(o.vIndices);
        o.vIndices.clear();
    }
    return *this;
}

void LSegmentHold::Release() {
    if (LAudioCutTank* tank = LAudioCutTank::Current())
        for (uint16_t i : vIndices) tank->DecRef(i);
    vIndices.clear();
}

LJournalKeeper::LJournalKeeper(std::string folder) : szFolder(std::move(folder)) {
    fnClock = [] { return int64_t(std::time(nullptr)); };
}

LJournalKeeper::~LJournalKeeper() { Close(); }

void LJournalKeeper::SetListener(std::function<void(const LJournalEvent&)> listener) {
    std::lock_guard<std::mutex> lock(mtx);
    fnListener = std::move(listener);
}

void LJournalKeeper::SetStageHook(std::function<void(LJournalStage)> hook) {
    std::lock_guard<std::mutex> lock(mtx);
    fnStage = std::move(hook);
}

uint32_t LJournalKeeper::FreeSlot() const {
    // The lowest number no open document's journal uses. A slot whose
    // removal is still queued may be taken: the new journal then replaces
    // the old file instead of following its deletion.
    std::set<uint32_t> used;
    for (const Entry& e : vEntries) used.insert(e.nSlot);
    uint32_t slot = 0;
    while (used.count(slot)) ++slot;
    return slot;
}

void LJournalKeeper::Adopt(const LSDFile* doc, uint32_t slot, uint32_t order) {
    if (bClosed || szFolder.empty()) return;
    Entry e;
    e.pDoc = doc;
    e.nSlot = slot;
    e.nOrder = order;
    vEntries.push_back(std::move(e));
    nNextOrder = std::max(nNextOrder, order + 1);
}

void LJournalKeeper::Update(const LDocuments& docs) {
    if (bClosed || szFolder.empty()) return;
    const uint32_t failures = nFailures.load();
    const bool retry = failures != nFailuresSeen;  // a journal on the disk may be older than its document
    nFailuresSeen = failures;
    for (Entry& e : vEntries) {
        e.bSeen = false;
        if (retry) e.vContent.clear();
    }
    for (int i = 0, n = docs.GetNoFiles(); i < n; ++i) {
        const LSDFile* doc = docs.At(i);
        auto it = std::find_if(vEntries.begin(), vEntries.end(), [&](const Entry& e) { return e.pDoc == doc; });
        if (it == vEntries.end()) {
            Entry e;
            e.pDoc = doc;
            e.nSlot = FreeSlot();
            e.nOrder = nNextOrder++;
            vEntries.push_back(std::move(e));
            it = vEntries.end() - 1;
        }
        Entry& e = *it;
        e.bSeen = true;

        LJournalRecord head;
        head.nOrder = e.nOrder;
        head.nSequence = e.nSequence + 1;
        head.nChangedTime = fnClock();
        if (!pSpare) pSpare = std::make_unique<Job>();
        std::vector<uint8_t>& bytes = pSpare->vBytes;
        EncodeJournal(head, *doc, bytes);
        const size_t content = bytes.size() - kJournalContentOffset - 4;
        if (e.vContent.size() == content &&
            std::memcmp(e.vContent.data(), bytes.data() + kJournalContentOffset, content) == 0)
            continue;  // nothing but the cursor, selection or view changed

        e.nSequence = head.nSequence;
        e.vContent.assign(bytes.begin() + kJournalContentOffset, bytes.end() - 4);
        e.szPath = doc->szFilePath;
        std::unique_ptr<Job> job = std::move(pSpare);
        job->hold = LSegmentHold(doc->audio.lstCuts);  // the segments stay until this journal is replaced
        job->event = {LJournalEvent::kWritten, e.nSlot, e.nOrder, e.nSequence, head.nChangedTime, doc->szFilePath};
        Hand(e.nSlot, std::move(job));
    }
    for (auto it = vEntries.begin(); it != vEntries.end();) {
        if (it->bSeen) {
            ++it;
            continue;
        }
        auto job = std::make_unique<Job>();
        job->bRemove = true;
        job->event = {LJournalEvent::kRemoved, it->nSlot, it->nOrder, it->nSequence, 0, it->szPath};
        const uint32_t slot = it->nSlot;
        it = vEntries.erase(it);
        Hand(slot, std::move(job));
    }
}

void LJournalKeeper::Hand(uint32_t slot, std::unique_ptr<Job> job) {
    std::unique_ptr<Job> replaced;  // a newer state makes a waiting one needless
    {
        std::lock_guard<std::mutex> lock(mtx);
        Slot& s = mSlots[slot];
        replaced = std::move(s.pPending);
        if (replaced) {
            job->vRemovedBefore = std::move(replaced->vRemovedBefore);
            if (replaced->bRemove) job->vRemovedBefore.push_back(replaced->event);
        }
        s.pPending = std::move(job);
        if (!s.bQueued) {
            s.bQueued = true;
            dQueue.push_back(slot);
        }
        if (!thWriter.joinable()) thWriter = std::thread([this] { WriterLoop(); });
    }
    cvWork.notify_one();
}  // the replaced job's references go here, outside the lock

void LJournalKeeper::WaitIdle() {
    std::unique_lock<std::mutex> lock(mtx);
    cvIdle.wait(lock, [this] { return dQueue.empty() && !bBusy; });
}

void LJournalKeeper::Close() {
    if (bClosed) return;
    if (!szFolder.empty()) {
        for (const Entry& e : vEntries) {
            auto job = std::make_unique<Job>();
            job->bRemove = true;
            job->event = {LJournalEvent::kRemoved, e.nSlot, e.nOrder, e.nSequence, 0, e.szPath};
            Hand(e.nSlot, std::move(job));
        }
        // Also the slots of closed documents whose journals could not be
        // deleted then: a clean exit leaves no journal behind.
        std::vector<uint32_t> others;
        {
            std::lock_guard<std::mutex> lock(mtx);
            for (const auto& [slot, s] : mSlots)
                if (!s.bQueued) others.push_back(slot);
        }
        for (uint32_t slot : others) {
            auto job = std::make_unique<Job>();
            job->bRemove = true;
            job->event = {LJournalEvent::kRemoved, slot, 0, 0, 0, std::string()};
            Hand(slot, std::move(job));
        }
    }
    vEntries.clear();
    bClosed = true;
    {
        std::lock_guard<std::mutex> lock(mtx);
        bStop = true;
    }
    cvWork.notify_one();
    if (thWriter.joinable()) thWriter.join();
    mSlots.clear();  // nothing is on the disk any more: the references go
}

void LJournalKeeper::Stage(LJournalStage stage) {
    std::function<void(LJournalStage)> hook;
    {
        std::lock_guard<std::mutex> lock(mtx);
        hook = fnStage;
    }
    if (hook) hook(stage);
}

void LJournalKeeper::WriterLoop() {
    std::unique_lock<std::mutex> lock(mtx);
    for (;;) {
        cvWork.wait(lock, [this] { return bStop || !dQueue.empty(); });
        if (dQueue.empty()) break;  // stopping, and all is done
        const uint32_t slot = dQueue.front();
        dQueue.pop_front();
        Slot& s = mSlots[slot];
        s.bQueued = false;
        std::unique_ptr<Job> job = std::move(s.pPending);
        if (!job) {
            if (dQueue.empty()) cvIdle.notify_all();
            continue;
        }
        bBusy = true;
        lock.unlock();

        const bool ok = Perform(*job, slot);
        LSegmentHold released;  // the segments of the journal that is gone now
        lock.lock();
        Slot& t = mSlots[slot];  // the map's nodes stay where they are
        if (ok) {
            released = std::move(t.onDisk);
            t.onDisk = std::move(job->hold);
        }
        std::function<void(const LJournalEvent&)> listener = fnListener;
        lock.unlock();

        if (ok) {
            for (uint16_t i : released.Indices())
                if (--mDurable[i] == 0) mDurable.erase(i);
        } else {
            job->event.eKind = LJournalEvent::kFailed;  // the old journal stays, and with it its segments
            ++nFailures;
        }
        if (listener) {
            if (ok)
                for (const LJournalEvent& gone : job->vRemovedBefore) listener(gone);
            listener(job->event);
        }
        released.Release();
        job.reset();

        lock.lock();
        bBusy = false;
        if (dQueue.empty()) cvIdle.notify_all();
    }
    bBusy = false;
    cvIdle.notify_all();
}

void LJournalKeeper::SyncNewSegments(const LSegmentHold& segments) {
    LAudioCutTank* tank = LAudioCutTank::Current();
    if (!tank) return;
    for (uint16_t i : segments.Indices()) {
        if (mDurable.count(i)) continue;  // another journal on the disk names it: it is there already
        std::string path = tank->GetAudFilePath(i);
        SyncFile(path);
        std::string summary = SummaryPath(path);
        if (LFile::Exists(summary.c_str())) SyncFile(summary);
    }
}

bool LJournalKeeper::WriteJournal(const Job& job, uint32_t slot) {
    const std::string temp = TempPathOf(szFolder, slot);
    {
        LFile f;
        if (!f.Open(temp.c_str(), LFile::kCreate)) return false;
        const uint32_t n = uint32_t(job.vBytes.size()), half = n / 2;
        bool ok = f.Write(job.vBytes.data(), half) == half;
        Stage(LJournalStage::kHalfWritten);
        ok = ok && f.Write(job.vBytes.data() + half, n - half) == n - half;
        f.Close();
        Stage(LJournalStage::kWritten);
        if (!ok || !SyncFile(temp)) {
            LFile::Delete(temp.c_str());
            return false;
        }
    }
    Stage(LJournalStage::kSynced);
    if (!ReplaceDurably(temp, JournalPath(szFolder, slot))) {
        LFile::Delete(temp.c_str());
        return false;
    }
    Stage(LJournalStage::kReplaced);
    return true;
}

bool LJournalKeeper::Perform(Job& job, uint32_t slot) {
    if (job.bRemove) {
        Stage(LJournalStage::kRemoving);
        const std::string path = JournalPath(szFolder, slot);
        LFile::Delete(TempPathOf(szFolder, slot).c_str());
        return DeleteDurably(path) || !LFile::Exists(path.c_str());
    }
    SyncNewSegments(job.hold);
    Stage(LJournalStage::kSegmentsSynced);
    if (!WriteJournal(job, slot)) return false;
    for (uint16_t i : job.hold.Indices()) ++mDurable[i];
    return true;
}

}  // namespace sondrel
