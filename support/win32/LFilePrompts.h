// The open-file and save-file prompts: the standard file dialogs over an
// owner window, with the program's code page (UTF-8: a path of MAX_PATH
// characters can take up to three bytes a character).
#pragma once
#include <windows.h>

#include <string>

namespace sondrel {

struct LFilePrompt {
    const char* szTitle;
    // Pairs of a description and its patterns, each ending in '\0', then
    // one more '\0'; the first pair is selected.
    const char* szFilter;
    const char* szDefExt;  // without the dot; null: none
};

// The dialog starts in folder (empty: where the system chooses) with an
// empty name; on OK path is the chosen file and the result true. Cancel (or
// a failure of the dialog) gives false and leaves path alone. Opening wants
// an existing file; saving only an existing folder. The current folder
// stays as it was.
bool AskOpenFile(HWND owner, const LFilePrompt& prompt, const std::string& folder, std::string& path);
bool AskSaveFile(HWND owner, const LFilePrompt& prompt, const std::string& folder, std::string& path);

}  // namespace sondrel
