// The SCSI transport's system side on Windows: the "WNASPI32" library,
// drive roots and types, device handles and the pass-through call.
#pragma once
#include "cd/LSCSI.h"

namespace sondrel {

// The one Windows platform of the process.
LSCSIPlatform& Win32SCSIPlatform();

// Installs the Windows platform unless one (a test's) is installed already.
void UseWin32SCSIPlatformIfNone();

}  // namespace sondrel
