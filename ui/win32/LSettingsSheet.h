// The commands the main window's menu runs that this part of the program
// serves: "Settings..." (IDM_SETTINGS), "Send..." (IDM_SEND) and Help
// (IDM_HELP_CONTENTS, F1). Each is one call; the main window passes itself
// as the owner.
#pragma once
#include <windows.h>

#include "document/LDocuments.h"
#include "support/LMail.h"

namespace sondrel {

// The "Settings" property sheet (icon 1, pages 16 and 17, no Apply button);
// OK stores each visited page's values. True when the user chose OK.
bool CmSettings(HWND owner);
// "Send..." with the system's mail; failures are told in a message box.
bool CmSend(HWND owner, LDocuments& docs);
// The same over another mail system (tests).
bool CmSend(HWND owner, LDocuments& docs, LMailSystem& mail);
// "Help Contents" and F1: the manual's contents page.
void CmHelp();

}  // namespace sondrel
