// A document host for tests: runs operations at once (the next one can be
// cancelled after a number of blocks), answers questions from a script and
// records what it was asked, the progress titles and where playback started.
#pragma once
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "document/LDocumentHost.h"
#include "support/LSettings.h"

namespace sondrel::test {

class ScriptedHost : public LDocumentHost {
public:
    std::deque<Answer> answers;         // Ask: Cancel once these run out
    std::deque<std::string> savePaths;  // AskSavePath: false once these run out
    std::vector<std::string> asked;
    std::vector<std::string> titles;
    std::vector<std::string> recent;
    std::vector<std::string> errors;  // shown by an operation's progress or by the host's ShowError
    std::vector<std::string> notices;  // ShowNotice
    int cancelAfterBlocks = -1;  // the next operation is cancelled after this many blocks
    // Told the title of each operation as it starts, before it runs (a test
    // reaches one operation of several through it).
    std::function<void(const std::string& title)> onOperation;
    // Called at every block of an operation, while it runs.
    std::function<void()> onBlock;
    bool newFileOk = true, voxOk = true;
    int32_t voxRate = 6000;      // stored by the VOX rate question when answered
    int32_t convertTo = 0;       // 0: the sample-rate question is cancelled
    int stops = 0;
    int32_t played = -1;

    LProcessResult RunOperation(const char* title, const std::function<LProcessResult(LProgress*)>& op) override {
        titles.push_back(title);
        if (onOperation) onOperation(title);
        struct P : LProgress {
            int left;
            std::vector<std::string>* errors;
            std::function<void()>* block;
            bool IsCancelled() override {
                if (*block) (*block)();
                return left >= 0 && left-- == 0;
            }
            void SetText(const char*, int) override {}
            void SetProgress(double) override {}
            void ShowError(const char* text) override { errors->push_back(text); }
        } p;
        p.left = cancelAfterBlocks;
        p.errors = &errors;
        p.block = &onBlock;
        cancelAfterBlocks = -1;
        return op(&p);
    }
    bool AskNewFileFormat() override { return newFileOk; }
    bool AskVoxSampleRate() override {
        asked.push_back("vox rate");
        if (voxOk) WriteInt("Settings", "VoxSelectedSampleRate", voxRate);
        return voxOk;
    }
    bool AskConvertSampleRate(int32_t& rate) override {
        if (!convertTo) return false;
        rate = convertTo;
        return true;
    }
    Answer Ask(const std::string& text, bool) override {
        asked.push_back(text);
        if (answers.empty()) return kCancel;
        Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    bool AskOpenPath(std::string&) override { return false; }
    bool AskSavePath(std::string& path) override {
        if (savePaths.empty()) return false;
        path = savePaths.front();
        savePaths.pop_front();
        return true;
    }
    void ShowError(const std::string& text) override { errors.push_back(text); }
    void ShowNotice(const std::string& text) override { notices.push_back(text); }
    void StopPlayback() override { ++stops; }
    void AddRecentFile(const std::string& p) override { recent.push_back(p); }
    void PlayFrom(int32_t ms) override { played = ms; }
};

}  // namespace sondrel::test
