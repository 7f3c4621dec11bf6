#include "document/LSessionRecovery.h"

#include <algorithm>

#include "core/LSoundTime.h"
#include "document/LDocuments.h"
#include "document/LJournalKeeper.h"
#include "document/LSegmentSummary.h"
#include "support/LFile.h"

namespace sondrel {

namespace {

// The tank's name for a segment file in folder (no tank exists yet while
// the journals are read).
std::string SegmentFile(const std::string& folder, uint16_t index) {
    return JoinPath(folder, std::to_string(unsigned(index)) + ".aud");
}

int64_t FileBytes(const std::string& path) {
    LFile f;
    return f.Open(path.c_str(), LFile::kRead) ? f.Size() : -1;
}

int32_t Clamp(int32_t v, int32_t hi) { return std::clamp(v, 0, std::max(hi, 0)); }

}  // namespace

std::string LRecoveryItem::DisplayName() const {
    if (bDecoded) return record.DisplayName();
    return FileNamePart(szJournal);
}

int32_t LRecoveryItem::LengthMs() const {
    if (!bDecoded) return 0;
    return LSoundTime::FromSamples(int32_t(record.LengthFrames()), record.nSampleRate).ms;
}

LSessionRecovery::LSessionRecovery(std::string folder) : szFolder(std::move(folder)) {
    if (szFolder.empty()) return;
    for (const std::string& name : LFile::List(szFolder.c_str(), kJournalTempSuffix)) vStrays.push_back(name);
    for (const std::string& name : LFile::List(szFolder.c_str(), kJournalSuffix)) {
        int64_t slot = JournalSlotOf(name);
        if (slot < 0) continue;  // not a name the keeper makes
        LRecoveryItem item;
        item.szJournal = JoinPath(szFolder, name);
        item.nSlot = uint32_t(slot);
        std::vector<uint8_t> bytes;
        LFile f;
        int64_t size = f.Open(item.szJournal.c_str(), LFile::kRead) ? f.Size() : -1;
        if (size >= 0 && size <= int64_t(kJournalMaxBytes)) {
            bytes.resize(size_t(size));
            if (size > 0 && f.Read(bytes.data(), uint32_t(size)) != uint32_t(size)) bytes.clear();
        }
        f.Close();
        item.bDecoded = !bytes.empty() && DecodeJournal(bytes.data(), bytes.size(), item.record);
        if (!item.bDecoded) {
            item.szProblem = "its saved state is damaged";
        } else {
            item.szProblem = CheckJournalSegments(
                item.record, [&](uint16_t index) { return FileBytes(SegmentFile(szFolder, index)); });
        }
        item.bUsable = item.szProblem.empty();
        vItems.push_back(std::move(item));
    }
    std::stable_sort(vItems.begin(), vItems.end(), [](const LRecoveryItem& a, const LRecoveryItem& b) {
        if (a.bUsable != b.bUsable) return a.bUsable;
        if (a.bUsable && a.record.nOrder != b.record.nOrder) return a.record.nOrder < b.record.nOrder;
        return a.nSlot < b.nSlot;
    });
}

int LSessionRecovery::UsableCount() const {
    return int(std::count_if(vItems.begin(), vItems.end(), [](const LRecoveryItem& i) { return i.bUsable; }));
}

std::set<uint16_t> LSessionRecovery::KeepSet() const {
    std::set<uint16_t> keep;
    for (const LRecoveryItem& item : vItems) {
        if (!item.bUsable) continue;
        for (const LJournalCut& c : item.record.vCuts)
            if (c.nIndex != kSilentIndex) keep.insert(c.nIndex);
    }
    return keep;
}

void LSessionRecovery::Hold() {
    if (bHeld) return;
    bHeld = true;
    for (const LRecoveryItem& item : vItems)
        if (item.bUsable) vHeld.push_back(JournalCutList(item.record));
}

int LSessionRecovery::Recover(LDocuments& docs, LJournalKeeper& keeper) {
    Hold();
    LAudioCutTank* tank = LAudioCutTank::Current();
    std::set<uint16_t> summarized;
    int recovered = 0;
    for (const LRecoveryItem& item : vItems) {
        if (!item.bUsable) continue;
        const LJournalRecord& r = item.record;
        LCutListAudio& audio = vHeld[size_t(recovered++)];

        // A waveform summary written just before the power went may be
        // torn: one that does not match its segment is made again.
        for (const LJournalCut& c : r.vCuts) {
            if (c.nIndex == kSilentIndex || !tank || !summarized.insert(c.nIndex).second) continue;
            std::string path = tank->GetAudFilePath(c.nIndex);
            if (!LSegmentPeaks(path, r.nChans).IsUsable()) BuildSegmentSummary(path, r.nChans);
        }

        bool untitledFree = r.szFilePath.empty() && r.nUntitledIdx >= 1;
        for (int i = 0; untitledFree && i < docs.GetNoFiles(); ++i)
            untitledFree = docs.At(i)->nUntitledIdx != r.nUntitledIdx;
        LSDFile& d = docs.AddUntitled(audio);
        d.szFilePath = r.szFilePath;
        if (!r.szFilePath.empty()) d.nUntitledIdx = 0;
        else if (untitledFree) d.nUntitledIdx = r.nUntitledIdx;
        d.bDirty = 1;  // recovered: not what any file holds until it is saved
        const int32_t len = d.LengthMs();
        d.stPosition.ms = Clamp(r.stPosition, len);
        d.stSelStart.ms = Clamp(r.stSelStart, len);
        d.stSelEnd.ms = Clamp(r.stSelEnd, len);
        d.stViewStart.ms = Clamp(r.stViewStart, len);
        d.stViewEnd.ms = Clamp(r.stViewEnd, len);
        if (d.stViewEnd.ms <= d.stViewStart.ms) {
            d.stViewStart.ms = 0;
            d.stViewEnd.ms = len;
        }
        keeper.Adopt(&d, item.nSlot, r.nOrder);
        docs.MakeCurrent(&d);  // the title and status follow the fields set here
    }
    vHeld.clear();  // the documents hold their own references now
    DeleteJournals(false);
    keeper.Update(docs);  // the recovered documents' journals, as they are now
    return recovered;
}

void LSessionRecovery::Discard() {
    std::set<uint16_t> named;
    for (const LRecoveryItem& item : vItems) {
        if (!item.bDecoded) continue;
        for (const LJournalCut& c : item.record.vCuts)
            if (c.nIndex != kSilentIndex) named.insert(c.nIndex);
    }
    vHeld.clear();
    bHeld = false;
    DeleteJournals(true);
    // The journals are gone first: a crash in between leaves nothing that
    // names a deleted segment.
    for (uint16_t index : named) {
        std::string path = SegmentFile(szFolder, index);
        LFile::Delete(path.c_str());
        DeleteSegmentSummary(path);
    }
}

void LSessionRecovery::DeleteJournals(bool usableToo) {
    for (const LRecoveryItem& item : vItems)
        if (usableToo || !item.bUsable) LFile::Delete(item.szJournal.c_str());
    for (const std::string& name : vStrays) LFile::Delete(JoinPath(szFolder, name).c_str());
}

}  // namespace sondrel
