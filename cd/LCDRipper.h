// What the "Load Audio CD Track(s)" dialog does, apart from its window: the
// drive list, the track list, the two messages and the import of the chosen
// tracks into temporary WAV files, and how the main window opens those files
// as documents afterwards. The Win32 dialog is a thin view over it.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cd/LCDROM.h"
#include "core/LProgress.h"

namespace sondrel {

class LDocuments;

extern const char kNoCDDrivesText[];
extern const char kNoCDTrackText[];

// The dialog's window as the import sees it.
class LCDRipperView {
public:
    virtual ~LCDRipperView() = default;
    // Runs an operation under a progress dialog with this caption; its result.
    virtual LProcessResult RunOperation(const char* title,
                                        const std::function<LProcessResult(LProgress*)>& operation) = 0;
    // error: the "Error" box with the error icon; otherwise the information icon.
    virtual void ShowMessage(const char* text, const char* caption, bool error) = 0;
    // Replaces the combo box's entries and selects one.
    virtual void SetDrives(const std::vector<std::string>& names, int selected) = 0;
    // Replaces the list's rows: "Track %d" and its duration.
    virtual void SetTracks(const std::vector<std::string>& tracks, const std::vector<std::string>& durations) = 0;
    // Ends the dialog: true with OK, false as cancelled.
    virtual void Close(bool ok) = 0;
};

class LCDRipperModel {
public:
    // folder: where the temporary WAV files go (the "Current" data folder).
    LCDRipperModel(LCDRipperView& view, std::string folder) : view_(view), folder_(std::move(folder)) {}

    // Open and "Refresh": lists the drives; without any, says so and closes.
    void UpdateDrive();
    // The combo box's selection changed: shows that drive's tracks.
    void CDDriveChanged(int drive);
    // OK or a double-click: imports the selected rows (indices in list
    // order) of the tracks shown for drive. Stops at the first track that
    // does not end as done and keeps the dialog open; otherwise closes it
    // with OK.
    void Import(int drive, const std::vector<int>& selected);

    // The WAV files imported so far, in order.
    const std::vector<std::string>& Imported() const { return imported_; }
    const LCDROMInfo& Info() const { return info_; }
    // Result of the last track read; none before any.
    std::optional<LProcessResult> LastRipResult() const { return lastRip_; }

private:
    LCDRipperView& view_;
    std::string folder_;
    LCDROMInfo info_;
    int shownTracks_ = 0;
    std::optional<LProcessResult> lastRip_;
    std::vector<std::string> imported_;
};

// The main window's side: opens each imported WAV file as a new untitled,
// modified document, then deletes the file (also when it could not be
// opened). Returns how many documents were opened.
int OpenImportedTracks(LDocuments& documents, const std::vector<std::string>& files);

}  // namespace sondrel
