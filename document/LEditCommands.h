// The document-level behaviour of the editor's edit commands without
// parameters: what each does to the current document's audio, selection,
// position and view, its undo label, and where playback resumes. The edits
// with parameters (insert silence, repeat, amplify) are records of the
// effect table. The main window calls these; the command-line tool too.
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
bool CmInsertFile(LDocuments& docs, LInsertMode mode, const std::string& path);
bool CmCopyToNew(LDocuments& docs);

// Where an insert goes: 0, the position, or the end (milliseconds).
int32_t InsertPositionMs(const LSDFile& d, LInsertMode mode);

// Loads a file into a free-standing cut list the way an insert or a mix
// does (title "Loading Audio File Source", the VOX rate settings).
bool LoadIntoCutList(LDocuments& docs, const std::string& path, LCutListAudio& into);

}  // namespace sondrel
