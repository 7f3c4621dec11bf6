// Resource ids of the "Load Audio CD Track(s)" dialog (plain defines, so the
// resource script can use them too).
#pragma once

#define IDD_CDRIPPER 20
#define IDC_CDDRIVE 101
#define IDC_CDTRACKS 102
#define IDC_CDREFRESH 103
