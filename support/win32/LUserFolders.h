// Folders the system keeps for the running user.
#pragma once
#include <string>

namespace sondrel {

// The user's local application data ("...\AppData\Local"), made by the
// system when it is missing; empty when the system names none.
std::string LocalAppDataFolder();

}  // namespace sondrel
