// The parameter dialogs' shared control numbers as the portable dialog
// models see them. They are the numbers ui/win32/resource.h names for the
// Win32 side (IDOK, IDCANCEL, IDHELP, IDC_PREVIEW, IDC_CURVE, ...); a test
// holds the two together. The effect dialogs' own parameter controls come
// from the effect table.
#pragma once

namespace sondrel::dlgid {

constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kHelp = 9;
constexpr int kPreview = 140;

// The curve dialogs (envelope, equaliser).
constexpr int kCurve = 101;
constexpr int kSetFlat = 102;

// The sample-rate dialogs.
constexpr int kSampleRate = 101;
constexpr int kMono = 102;
constexpr int kStereo = 103;

// Notification codes the models react to (those of the Windows controls).
constexpr int kButtonClicked = 0;       // BN_CLICKED
constexpr int kEditChange = 0x300;      // EN_CHANGE, also sent by the decibel slider
constexpr int kComboSelChange = 1;      // CBN_SELCHANGE

}  // namespace sondrel::dlgid
