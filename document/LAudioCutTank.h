// The cut tank: the one folder of numbered segment files ("%d.aud") that
// holds all audio of documents, the clipboard and the undo history, with a
// reference count per segment index. A segment file is deleted when its last
// reference goes, and every "*.aud" of the folder when the tank is destroyed.
#pragma once
#include <cstdint>
#include <mutex>
#include <set>
#include <string>

namespace sondrel {

// Index 65535 names no file: a cut with it reads as silence.
constexpr uint16_t kSilentIndex = 65535;

class LAudioCutTank {
public:
    static constexpr int32_t kIndexCount = 65536;

    // Empty folder, all counts 0.
    LAudioCutTank();
    explicit LAudioCutTank(const std::string& folder);
    // Deletes every "*.aud" in the folder, counted or not (also leftovers of
    // an earlier run). A file that cannot be deleted is skipped.
    ~LAudioCutTank();
    LAudioCutTank(const LAudioCutTank&) = delete;
    LAudioCutTank& operator=(const LAudioCutTank&) = delete;

    // Set once at start-up, before any segment exists; the tank never
    // creates the folder.
    void SetFolder(const std::string& folder) { szFolder = folder; }
    const std::string& GetFolder() const { return szFolder; }

    // The lowest index whose count is 0, now counted once. When every
    // index is in use the result is kSilentIndex, never an index in use.
    uint16_t GetNewRefAndIncRef();
    // Both do nothing for kSilentIndex.
    void IncRef(uint16_t index);
    // At the last reference (count below 2) the segment file is deleted and
    // the count becomes 0.
    void DecRef(uint16_t index);
    // The folder joined with "<index>.aud"; empty for kSilentIndex and when
    // the path would be longer than a path may be.
    std::string GetAudFilePath(uint16_t index) const;

    // Current count of an index (for checks and tests).
    uint32_t GetRefCount(uint16_t index) const;

    // The process-wide tank: the one installed by Install, otherwise one
    // made at first use and destroyed at program exit. Null only after that
    // built-in tank has been destroyed (cuts released later then count nothing).
    static LAudioCutTank* Current();
    // Makes tank the process-wide one (null: back to the built-in tank) and
    // returns the previous one. Only while no cut, reader or writer exists.
    static LAudioCutTank* Install(LAudioCutTank* tank);

private:
    std::string szFolder;
    // Counted in 32 bits: a segment shared by more than 65535 cuts (a long
    // repeat loop) must not lose its file while cuts still refer to it.
    uint32_t nRefs[kIndexCount];
    // No index below this one has a count of 0 (keeps allocation from
    // rescanning a full prefix every time).
    int32_t nLowestFree = 0;
    mutable std::mutex mtxRefs;
};

// Removes what Sondrel left in folder when a run ended without clearing up
// (killed, crashed, the power lost): every segment file "<index>.aud" whose
// index is not in keep, with its summary "<index>.pks" (a kept segment's
// summary stays; its header tells whether it still matches), and every
// temporary file Sondrel made there (the names MakeTempFile gives:
// temporary WAVs, auto gain's working files).
// Files of other programs are left alone, and a link of such a name is
// removed, never followed. Returns how many files went.
// - The editor calls it at start-up for its data folder, before the tank
//   writes anything there and only while it holds the folder's LFolderLock
//   (a second instance must not clear the first one's audio); the
//   command-line tool calls it for the folders of its runs that died.
// - keep is for crash recovery: a start-up that restores documents from
//   their journals lists the segment indices those documents still use, and
//   makes the tank count them before the next new segment is allocated
//   (keep is empty while there is no recovery).
int RemoveLeftovers(const std::string& folder, const std::set<uint16_t>& keep);

// The data folder for segment files and recovery journals. A value
// "Current" stored in section "Folders" (an earlier installation's, or one
// a user set) is used as it stands. Otherwise each user has a folder of
// their own, "Ketterly\Sondrel" under userDataRoot (the user's local
// application data), so that no user's audio is where another can write;
// the program folder's "Current" only when the system names no such root.
// The program makes it (MakeFolderChain) and gives it to the tank at
// start-up; the uninstaller clears it.
std::string DataFolder(const std::string& userDataRoot, const std::string& programFolder);
// The maker's folder above the per-user data folder, which the uninstaller
// removes when nothing else is left in it.
std::string UserMakerFolder(const std::string& userDataRoot);

// A tank with its own folder made current for the lifetime of the scope
// (tests, tools). Destroying it deletes the folder's segment files and
// restores the tank that was current before.
class LCutTankScope {
public:
    explicit LCutTankScope(const std::string& folder) : tank_(folder), prev_(LAudioCutTank::Install(&tank_)) {}
    ~LCutTankScope() { LAudioCutTank::Install(prev_); }
    LCutTankScope(const LCutTankScope&) = delete;
    LCutTankScope& operator=(const LCutTankScope&) = delete;
    LAudioCutTank& Tank() { return tank_; }

private:
    LAudioCutTank tank_;
    LAudioCutTank* prev_;
};

}  // namespace sondrel
