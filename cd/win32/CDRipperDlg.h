// The "Load Audio CD Track(s)" dialog (template 20) and the main window's
// command that runs it: each imported track opens as a new untitled,
// modified document and its temporary WAV file is deleted.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace sondrel {

class LDocuments;

// Runs the dialog over owner; its Help button shows the CD tracks page of
// the manual. Returns the WAV files imported, in order:
// those of an OK, and also those imported before the user gave up on a
// failed import with Cancel, so no finished track is dropped or left behind.
std::vector<std::string> RunCDRipperDialog(HWND owner);

// The main window's "Load Audio CD Track(s)..." (Ctrl+L): runs the dialog
// over owner, opens each imported file through documents (their host runs
// the loads under its progress dialog) and deletes it. Returns the number
// of documents opened.
int CmLoadCDTrack(HWND owner, LDocuments& documents);

}  // namespace sondrel
