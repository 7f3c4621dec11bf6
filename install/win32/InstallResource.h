// Resource names and ids of the installer's dialogs.
#pragma once

#define IDD_LICENCE_TERMS "LicenceTermsDlg"
#define IDR_LICENCE_TEXT "LicenceText"
#define IDC_LICENCE_TEXT 101
