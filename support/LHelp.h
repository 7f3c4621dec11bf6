// Help: the manual is a set of HTML pages installed in the folder "Manual"
// beside the program; every help context number names one page, which opens
// in the user's browser.
//
// How to use it (dialogs, property pages, the main window):
//   - a Help button or F1 in a dialog calls ShowHelp(context) with the
//     dialog's help context (IDH_ in support/LResourceIds.h);
//   - "Help Contents" (IDM_HELP_CONTENTS) and F1 in the main window call
//     ShowHelp(IDH_CONTENTS).
// ShowHelp never blocks and never shows WinHelp. The program entry sets the
// manual folder and the shell opener once at start-up; tests set an opener
// that records the page instead of starting a browser.
#pragma once
#include <cstddef>
#include <string>

#include "support/LResourceIds.h"

namespace sondrel {

struct LHelpTopic {
    int nContext;
    const char* szPage;  // file name in the manual folder
};

// Every help context with its page; the manual's build has each of them.
const LHelpTopic* HelpTopics(size_t* count);
// The page of a context; the contents page for a number not in the table.
const char* HelpPage(int context);

// The manual's folder below the program folder.
constexpr const char* kManualFolderName = "Manual";

class LHelpOpener {
public:
    virtual ~LHelpOpener() = default;
    // Shows the page at this path; false when it could not be shown (the
    // opener tells the user why).
    virtual bool OpenPage(const std::string& path) = 0;
};

// Set once at start-up; null restores "no help available" (ShowHelp fails).
void SetHelpOpener(LHelpOpener* opener);
void SetManualFolder(const std::string& folder);
const std::string& ManualFolder();

// Opens the page of a help context; false when there is no opener or the
// page could not be shown.
bool ShowHelp(int context);
// Opens a page of the manual by its file name (the main window's list of
// the manual's pages).
bool ShowManualPage(const char* page);

}  // namespace sondrel
