// The open-file and save-file prompts: the standard file dialogs owned by
// the active window, starting in the caller's folder buffer.
#pragma once

namespace sondrel {

// path and folder are buffers of kMaxPath characters. When path is not
// empty, folder is first set to its folder part; the dialog starts there.
// On success path holds the chosen file, folder its folder, and the result
// is true; cancel (or a failure of the dialog) gives false and leaves both
// buffers as the first step made them. filter is the dialog's filter text
// (pairs of description and pattern, each ending in '\0', then one more
// '\0'); defExt has no dot and may be null.
bool FileOpenPrompt(char* path, const char* title, char* folder, const char* defExt, const char* filter);
// The same for saving: the file need not exist.
bool FileSavePrompt(char* path, const char* title, char* folder, const char* defExt, const char* filter);

}  // namespace sondrel
