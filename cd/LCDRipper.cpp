#include "cd/LCDRipper.h"

#include <cstdio>

#include "document/LDocuments.h"
#include "support/LFile.h"

namespace sondrel {

const char kNoCDDrivesText[] =
    "No CD-ROM drives have been detected. If you do have a CD-ROM drive installed but see this message, please "
    "read the Help topic relating to Loading CD Tracks.";
const char kNoCDTrackText[] = "No CD track found. Please insert CD.";

void LCDRipperModel::UpdateDrive() {
    view_.RunOperation("Load CD Drives", [&](LProgress* p) { return Process(p, info_); });
    if (info_.nDrives == 0) {
        view_.ShowMessage(kNoCDDrivesText, "Error", true);
        view_.Close(false);
        return;
    }
    std::vector<std::string> names;
    for (int d = 0; d < info_.nDrives; ++d) {
        char name[32];
        std::snprintf(name, sizeof name, "CD-ROM %d", d + 1);
        names.push_back(name);
    }
    view_.SetDrives(names, 0);
    CDDriveChanged(0);
}

void LCDRipperModel::CDDriveChanged(int drive) {
    std::vector<std::string> tracks, durations;
    shownTracks_ = 0;
    view_.SetTracks(tracks, durations);
    if (drive < 0 || drive >= info_.nDrives || info_.nTracks[drive] == 0) {
        view_.ShowMessage(kNoCDTrackText, "Insert CD", false);
        return;
    }
    for (int t = 0; t < info_.nTracks[drive]; ++t) {
        char name[32];
        std::snprintf(name, sizeof name, "Track %d", t + 1);
        tracks.push_back(name);
        durations.push_back(DurationText(info_.nTrackSeconds[drive][t]));
    }
    shownTracks_ = int(tracks.size());
    view_.SetTracks(tracks, durations);
}

void LCDRipperModel::Import(int drive, const std::vector<int>& selected) {
    if (drive < 0 || drive >= LCDROMINFO_MAXDRIVES) return;
    if (shownTracks_ == 0) {
        view_.Close(true);
        return;
    }
    for (int item : selected) {
        if (item < 0 || item >= shownTracks_) continue;
        char name[32];
        std::snprintf(name, sizeof name, "Track %d.wav", item + 1);
        LCDROMRipper ripper;
        ripper.Data.nDrive = uint8_t(drive);
        ripper.Data.nTrack = uint8_t(item);
        ripper.Data.szPath = JoinPath(folder_, name);
        lastRip_ = view_.RunOperation("Import CD Track(s)", [&](LProgress* p) { return Process(p, ripper); });
        if (lastRip_ != kProcessDone) return;
        imported_.push_back(ripper.Data.szPath);
    }
    view_.Close(true);
}

int OpenImportedTracks(LDocuments& documents, const std::vector<std::string>& files) {
    int opened = 0;
    for (const std::string& path : files) {
        // The same track imported twice leaves its path twice; its file is
        // gone after the first.
        if (!LFile::Exists(path.c_str())) continue;
        if (documents.AddFileToList(path, true)) ++opened;
        LFile::Delete(path.c_str());
    }
    return opened;
}

}  // namespace sondrel
