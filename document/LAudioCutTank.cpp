#include "document/LAudioCutTank.h"

#include <cstdio>
#include <cstring>

#include "document/LSegmentSummary.h"
#include "support/LFile.h"
#include "support/LSettings.h"

namespace sondrel {

namespace {

LAudioCutTank* g_pInstalled = nullptr;
LAudioCutTank* g_pBuiltin = nullptr;
bool g_bBuiltinGone = false;

LAudioCutTank* Builtin() {
    if (g_bBuiltinGone) return nullptr;
    static LAudioCutTank tank;
    g_pBuiltin = &tank;
    return &tank;
}

}  // namespace

LAudioCutTank::LAudioCutTank() { std::memset(nRefs, 0, sizeof nRefs); }

LAudioCutTank::LAudioCutTank(const std::string& folder) : LAudioCutTank() { szFolder = folder; }

LAudioCutTank::~LAudioCutTank() {
    if (this == g_pBuiltin) {
        g_pBuiltin = nullptr;
        g_bBuiltinGone = true;
    }
    if (szFolder.empty()) {
        // No folder was given: the files are relative to the working folder,
        // which may hold other programs' files. Only our own segments go.
        for (int32_t i = 0; i < kIndexCount - 1; ++i) {
            if (nRefs[i] != 0) {
                LFile::Delete(GetAudFilePath(uint16_t(i)).c_str());
                DeleteSegmentSummary(GetAudFilePath(uint16_t(i)));
            }
        }
        return;
    }
    for (const std::string& name : LFile::List(szFolder.c_str(), ".pks")) LFile::Delete(AppendPath(szFolder, name).c_str());
    for (const std::string& name : LFile::List(szFolder.c_str(), ".aud")) {
        if (!LFile::Delete(AppendPath(szFolder, name).c_str())) {
            // "LAudioCutTank::~LAudioCutTank() Delete File FAILED": skipped.
        }
    }
}

uint16_t LAudioCutTank::GetNewRefAndIncRef() {
    std::lock_guard<std::mutex> lock(mtxRefs);
    for (int32_t i = nLowestFree; i < kIndexCount - 1; ++i) {
        if (nRefs[i] == 0) {
            nRefs[i] = 1;
            nLowestFree = i + 1;
            return uint16_t(i);
        }
    }
    nLowestFree = kIndexCount - 1;
    // "LAudioCutTank::GetNewRefAndIncRef() NO MORE FREE CUTS!!!!": the
    // silent index; a writer given it keeps nothing and reads as silence.
    return kSilentIndex;
}

void LAudioCutTank::IncRef(uint16_t index) {
    if (index == kSilentIndex) return;
    std::lock_guard<std::mutex> lock(mtxRefs);
    if (nRefs[index] != 0xFFFFFFFFu) ++nRefs[index];
}

void LAudioCutTank::DecRef(uint16_t index) {
    if (index == kSilentIndex) return;
    std::lock_guard<std::mutex> lock(mtxRefs);
    if (nRefs[index] == 0xFFFFFFFFu) return;  // saturated: kept until the tank goes
    if (nRefs[index] < 2) {
        LFile::Delete(GetAudFilePath(index).c_str());
        DeleteSegmentSummary(GetAudFilePath(index));
        nRefs[index] = 0;
        if (index < nLowestFree) nLowestFree = index;
    } else {
        --nRefs[index];
    }
}

std::string LAudioCutTank::GetAudFilePath(uint16_t index) const {
    if (index == kSilentIndex) {
        // "LAudioCutTank::GetAudFilePath called on a silent segment"
        return std::string();
    }
    char name[16];
    std::snprintf(name, sizeof name, "%d.aud", int(index));
    // Refused rather than cut short: "1.aud", "10.aud" and "11.aud" cut to
    // one character would all be the same file.
    return JoinPathChecked(szFolder, name);
}

uint32_t LAudioCutTank::GetRefCount(uint16_t index) const {
    std::lock_guard<std::mutex> lock(mtxRefs);
    return nRefs[index];
}

LAudioCutTank* LAudioCutTank::Current() { return g_pInstalled ? g_pInstalled : Builtin(); }

LAudioCutTank* LAudioCutTank::Install(LAudioCutTank* tank) {
    LAudioCutTank* old = g_pInstalled;
    g_pInstalled = tank;
    return old;
}

namespace {

// The index a segment file's name (or its summary's, ext ".pks") stands
// for ("12.aud"), or -1.
int32_t SegmentIndexOf(const std::string& name, const char* extension) {
    size_t dot = name.size() >= 5 ? name.size() - 4 : 0;
    if (dot == 0 || dot > 5) return -1;
    for (int i = 0; i < 4; ++i)
        if ((name[dot + i] | 0x20) != (extension[i] | 0x20)) return -1;
    if (name[0] == '0' && dot > 1) return -1;  // "01.aud" is not a name the tank makes
    int32_t v = 0;
    for (size_t i = 0; i < dot; ++i) {
        if (name[i] < '0' || name[i] > '9') return -1;
        v = v * 10 + (name[i] - '0');
    }
    return v < kSilentIndex ? v : -1;
}

}  // namespace

int RemoveLeftovers(const std::string& folder, const std::set<uint16_t>& keep) {
    if (folder.empty()) return 0;  // never the working folder by accident
    int removed = 0;
    for (const char* extension : {".aud", ".pks"}) {
        for (const std::string& name : LFile::List(folder.c_str(), extension)) {
            int32_t index = SegmentIndexOf(name, extension);
            if (index < 0 || keep.count(uint16_t(index))) continue;
            if (LFile::Delete(AppendPath(folder, name).c_str())) ++removed;
        }
    }
    for (const std::string& name : LFile::List(folder.c_str(), ".tmp")) {
        if (IsTempFileName(name) && LFile::Delete(AppendPath(folder, name).c_str())) ++removed;
    }
    return removed;
}

std::string UserMakerFolder(const std::string& userDataRoot) {
    return userDataRoot.empty() ? std::string() : JoinPath(userDataRoot, "Ketterly");
}

std::string DataFolder(const std::string& userDataRoot, const std::string& programFolder) {
    std::string folder = ReadString("Folders", "Current", "");
    if (!folder.empty()) return folder;
    if (!userDataRoot.empty()) return JoinPath(UserMakerFolder(userDataRoot), "Sondrel");
    return JoinPath(programFolder, "Current");
}

}  // namespace sondrel
