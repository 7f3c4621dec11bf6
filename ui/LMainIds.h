// The main window's command, control and timer numbers as the portable
// controller sees them. They are the numbers ui/win32/resource.h names for
// the Win32 side; a test holds the two together.
#pragma once

namespace sondrel::mainid {

// File
constexpr int kNew = 1001, kOpen = 1002, kClose = 1003, kSave = 1004, kSaveAs = 1005;
constexpr int kConvertSampleRate = 1006, kMono = 1007, kStereo = 1008, kSend = 1009, kSettings = 1010;
constexpr int kLoadCD = 1011, kExit = 1048;
constexpr int kRecentBase = 1049;  // recent file n (1..11) is kRecentBase + n
constexpr int kRecentFirst = 1050, kRecentLast = 1060, kRecentSeparator = 1061;

// Edit
constexpr int kUndo = 2001, kCut = 2002, kCopy = 2003, kPaste = 2004, kPasteMix = 2005, kDelete = 2006;
constexpr int kSelectAll = 2007, kMixFile = 2008, kRepeatLoop = 2009, kTrim = 2010, kTrimStart = 2011;
constexpr int kTrimEnd = 2012, kAutoTrim = 2013, kSilence = 2014;
constexpr int kInsertSilenceBegin = 2015, kInsertSilenceCurrent = 2016, kInsertSilenceEnd = 2017;
constexpr int kInsertFileBegin = 2018, kInsertFileCurrent = 2019, kInsertFileEnd = 2020, kCopyToNew = 2021;

// Play
constexpr int kRecord = 3001, kPlay = 3002, kPlaySlow = 3003, kPlayNormal = 3004, kPlayFast = 3005;
constexpr int kStop = 3006, kGoToStart = 3007, kRewind = 3008, kFastForward = 3009, kGoToEnd = 3010;

// Effects: 4001..4016, the effect table's commands.
constexpr int kEffectFirst = 4001, kEffectLast = 4016;

// View and Window
constexpr int kZoomIn = 5001, kZoomOut = 5002, kZoomSelection = 5003, kZoomFull = 5004, kVerticalZoom = 5005;
constexpr int kWindowFirst = 5007, kWindowLast = 5026, kWindowSeparator = 5027, kCloseAll = 5040;

// Help
constexpr int kHelpContents = 6000, kWebFirst = 6001, kWebLast = 6012, kAbout = 6013;

// Controls of the main dialog.
constexpr int kCtlMeter = 101, kCtlVolume = 102, kCtlOverview = 103, kCtlWave = 104, kCtlPosition = 105;
constexpr int kCtlSelStart = 106, kCtlSelEnd = 107, kCtlSelLength = 108, kCtlTime = 109, kCtlStatus = 110;
constexpr int kCtlPlay = 111, kCtlScrub = 112, kCtlStop = 113, kCtlStart = 114, kCtlRewind = 115;
constexpr int kCtlForward = 116, kCtlEnd = 117, kCtlRecord = 118;
constexpr int kCtlZoomOut = 119, kCtlZoomIn = 120, kCtlZoomSelection = 121, kCtlZoomFull = 122;
constexpr int kCtlFrame = 123, kCtlVerticalZoom = 124;

// Timers
constexpr int kTimerStatus = 1, kTimerTimeFields = 2;

}  // namespace sondrel::mainid
