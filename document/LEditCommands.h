// The document-level behaviour of the editor's edit commands: what each
// does to the current document's audio, selection, position and view, its
// undo label, and where playback resumes. The main window calls these after
// its dialogs; the command-line tool calls them with its arguments.
#pragma once
#include <cstdint>
#include <string>

#include "document/LDocuments.h"

namespace sondrel {

enum LInsertMode : int { kInsertAtBegin = 0, kInsertAtCurrent = 1, kInsertAtEnd = 2 };

// Each returns false when it did nothing (no document, no valid selection
// where one is needed, a cancelled or failed operation).
bool CmCut(LDocuments& docs);
bool CmCopy(LDocuments& docs);
bool CmPaste(LDocuments& docs);
bool CmClear(LDocuments& docs);
bool CmSelectAll(LDocuments& docs);
bool CmTrim(LDocuments& docs);
bool CmTrimStart(LDocuments& docs);
bool CmTrimEnd(LDocuments& docs);
bool CmEditSilence(LDocuments& docs);
bool CmInsertSilence(LDocuments& docs, LInsertMode mode, int32_t lengthMs);
bool CmInsertFile(LDocuments& docs, LInsertMode mode, const std::string& path);
bool CmRepeatLoop(LDocuments& docs, int32_t count);
bool CmCopyToNew(LDocuments& docs);
bool CmAmplify(LDocuments& docs, int32_t percent);

// Loads a file into a free-standing cut list the way an insert or a mix
// does (title "Loading Audio File Source", the VOX rate settings).
bool LoadIntoCutList(LDocuments& docs, const std::string& path, LCutListAudio& into);

}  // namespace sondrel
