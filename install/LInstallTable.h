// The program's install file table: what the install file carries, in
// payload order. The build generates it from the payload list, the one place
// that names the payload (install/Payload.cmake), so the program and the
// packaging step always agree.
#pragma once
#include <cstddef>

#include "install/LInstaller.h"

namespace sondrel {

const LInstallFile* InstallFileTable(size_t* count);

}  // namespace sondrel
