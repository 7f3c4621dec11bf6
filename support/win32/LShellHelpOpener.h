// Opens manual pages in the user's browser through the shell, and tells the
// user when a page is missing or nothing can show it.
#pragma once
#include "support/LHelp.h"

namespace sondrel {

class LShellHelpOpener : public LHelpOpener {
public:
    bool OpenPage(const std::string& path) override;
};

}  // namespace sondrel
