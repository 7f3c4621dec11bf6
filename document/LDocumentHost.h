// What the document logic needs from the program around it: the questions
// it asks, the file dialogs, the progress dialog long operations run under,
// and the refreshes it asks for. The editor implements it with its windows
// and message boxes; the command-line tool and the tests with scripted
// answers.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "core/LProgress.h"

namespace sondrel {

class LLoadWatch;
class LSDFile;

class LDocumentHost {
public:
    enum Answer { kYes, kNo, kCancel };

    virtual ~LDocumentHost() = default;

    // Runs a long operation under a progress dialog with this title; the
    // result is the operation's own. A dialog that cannot be shown fails
    // without running the operation.
    virtual LProcessResult RunOperation(const char* title,
                                        const std::function<LProcessResult(LProgress*)>& operation) = 0;

    // Runs a file's load as RunOperation does; a display may draw the file
    // from watch while it arrives.
    virtual LProcessResult RunLoad(const char* title, const LLoadWatch& /*watch*/,
                                   const std::function<LProcessResult(LProgress*)>& operation) {
        return RunOperation(title, operation);
    }

    // The "New File" dialog: reads and stores "SelectedSampleRate" and
    // "SelectedChannels" itself; false when the user cancels.
    virtual bool AskNewFileFormat() = 0;
    // The "Vox Files Sample Rate" dialog: stores "VoxSelectedSampleRate"; false on cancel.
    virtual bool AskVoxSampleRate() = 0;
    // The "Convert Sample Rate" dialog over rate; false on cancel.
    virtual bool AskConvertSampleRate(int32_t& rate) = 0;
    // A Yes/No/Cancel message box titled "Sondrel".
    virtual Answer Ask(const std::string& text, bool questionIcon) = 0;
    // An error message box titled "Sondrel": an operation failed, and the
    // text says which file and why ("Cannot save "x.wav": the disk is full.").
    virtual void ShowError(const std::string& /*text*/) {}
    // An information box titled "Sondrel": what the user should know about
    // a file that opened or saved (channels mixed down, samples clipped,
    // damage, a rate changed).
    virtual void ShowNotice(const std::string& /*text*/) {}
    // "Open Audio Files" and "Locate Audio Files"; false on cancel.
    virtual bool AskOpenPath(std::string& path) = 0;
    virtual bool AskSavePath(std::string& path) = 0;

    // Playback is stopped before every edit, undo, save as and close.
    virtual void StopPlayback() {}
    // The current document, its title, dirty state or undo label changed.
    virtual void DocumentChanged() {}
    // A closed document's path goes to the recent-file list.
    virtual void AddRecentFile(const std::string&) {}
    // After an edit with automatic playback on: play from this position.
    virtual void PlayFrom(int32_t /*ms*/) {}
};

}  // namespace sondrel
