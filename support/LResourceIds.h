// Every resource and command number of sondrel.exe, named once: dialog
// templates (IDD_), their controls (IDC_), menus (IDR_) and menu, toolbar and
// key commands (IDM_), bitmaps (IDB_), the icon (IDI_), help contexts (IDH_)
// and timers (IDT_). Plain preprocessor definitions, so that the resource
// compiler, the Win32 code and the portable code of every folder (the
// effect table, the main window's command table, the dialog models) all
// include this one header; no number is written out anywhere else.
//
// Buttons every dialog shares keep the system's ids: IDOK (1), IDCANCEL (2)
// and IDHELP (9), defined here for the code that sees no Windows header.
#pragma once

#ifndef IDOK
#define IDOK 1
#endif
#ifndef IDCANCEL
#define IDCANCEL 2
#endif
#ifndef IDHELP
#define IDHELP 9
#endif

// ------------------------------------------------------------------ dialogs
// A name in quotes is a named template; windres and FindResource take it as
// it is.

#define IDD_MAIN 1
#define IDD_EQUALIZER 3
#define IDD_MIX 4  // "Paste Mix" and "Mix File"
#define IDD_ECHO 5
#define IDD_NORMALIZE 6
#define IDD_REVERB 7
#define IDD_REPEAT_LOOP 8
#define IDD_INSERT_SILENCE 9
#define IDD_AMPLIFY 10
#define IDD_ENVELOPE 11
#define IDD_NEW_FILE 12  // "New File" and "Set Defaults"
#define IDD_NOISE_REDUCTION 13
#define IDD_CONVERT_SAMPLE_RATE 14
#define IDD_VOX_SAMPLE_RATE 15
#define IDD_SETTINGS_GENERAL 16
#define IDD_SETTINGS_AUDIO 17
#define IDD_LOW_CUT 18
#define IDD_COMPRESSOR 19
#define IDD_CD_TRACKS 20
#define IDD_SPEED_CHANGE 21  // the three speed and pitch commands
#define IDD_PROGRESS "LProgressDialog"
#define IDD_RECORD "LRECORDDLG"
#define IDD_RECORD_ADVANCED "LRECORDDLGADVANCED"
#define IDD_ABOUT "AboutDlg"
#define IDD_LICENCE "LicenceTermsDlg"
#define IDD_RECOVER "LRecoverDlg"  // the start-up prompt after a run that ended abnormally

// ------------------------------------------------------------------ controls

// The progress dialog.
#define IDC_PROGRESS_TEXT 100  // line 0; line 1 is IDC_PROGRESS_TEXT + 1
#define IDC_PROGRESS_TEXT2 101
#define IDC_PROGRESS_BAR 102

// The sample-rate dialogs (new file, convert, VOX rate).
#define IDC_SAMPLE_RATE 101
#define IDC_MONO 102
#define IDC_STEREO 103

// The effect and edit parameter dialogs.
#define IDC_PREVIEW 140
#define IDC_AMPLIFY_GAIN 101
#define IDC_NORMALIZE_LEVEL 102
#define IDC_ECHO_TIME 101
#define IDC_ECHO_GAIN 102
#define IDC_REVERB_LEVEL 101
#define IDC_REVERB_TIME 102
#define IDC_LOW_CUT_FREQUENCY 101
#define IDC_CURVE 101     // the curve editor of the envelope and equaliser dialogs
#define IDC_SET_FLAT 102
#define IDC_NOISE_GATE_LEVEL 101
#define IDC_COMPRESSOR_THRESHOLD 101
#define IDC_COMPRESSOR_RATIO 102
#define IDC_COMPRESSOR_LIMIT 103
#define IDC_MIX_VOLUME 101
#define IDC_MIX_INCREASE_SELECTION 102  // radios for the longer mix: 102, 103, 104
#define IDC_MIX_INSERT_SILENCE 103
#define IDC_MIX_FADE_OUT 104
#define IDC_MIX_FADE_TIME 105
#define IDC_SPEED_PERCENT 101
#define IDC_SPEED_LABEL 102
#define IDC_SILENCE_TIME 101
#define IDC_REPEAT_TIMES 101

// The decibel slider's own edit.
#define IDC_DBEDIT_TEXT 100

// The main window.
#define IDC_METER 101
#define IDC_VOLUME 102
#define IDC_OVERVIEW 103
#define IDC_WAVE 104
#define IDC_POSITION 105
#define IDC_SELECTION_START 106
#define IDC_SELECTION_END 107
#define IDC_SELECTION_LENGTH 108
#define IDC_CURRENT_TIME 109
#define IDC_STATUS 110
#define IDC_PLAY 111  // the transport buttons, here and in the transport dialog
#define IDC_SCRUB 112
#define IDC_STOP 113
#define IDC_GO_TO_START 114
#define IDC_REWIND 115
#define IDC_FORWARD 116
#define IDC_GO_TO_END 117
#define IDC_RECORD 118
#define IDC_ZOOM_OUT 119
#define IDC_ZOOM_IN 120
#define IDC_ZOOM_SELECTION 121
#define IDC_ZOOM_FULL 122
#define IDC_FRAME 123
#define IDC_VERTICAL_ZOOM 124

// The transport dialog (the record dialog's base); IDC_PLAY .. IDC_GO_TO_END as above.
#define IDC_TRANSPORT_TIME 103
#define IDC_TRANSPORT_METER 104
#define IDC_TRANSPORT_WAVE 105
#define IDC_TRANSPORT_POSITION 106
#define IDC_TRANSPORT_DEVICE 107
#define IDC_TRANSPORT_VOLUME 108
#define IDC_TRANSPORT_FILE_NAME 120

// The record dialog and its advanced settings.
#define IDC_RECORD_DEVICE 100
#define IDC_RECORD_INPUT 101
#define IDC_RECORD_VOLUME 102
#define IDC_RECORD_ADVANCED 109
#define IDC_RECORD_START 110
#define IDC_RECORD_MIXER 119
#define IDC_ADVANCED_AUTOTRIM 101
#define IDC_ADVANCED_VOICE 102
#define IDC_ADVANCED_THRESHOLD_LABEL 103
#define IDC_ADVANCED_THRESHOLD 104

// The settings pages.
#define IDC_GENERAL_WAV 101
#define IDC_GENERAL_MP3 102
#define IDC_GENERAL_GSM 103
#define IDC_GENERAL_VOX 104
#define IDC_GENERAL_PROMPT_FORMAT 105
#define IDC_GENERAL_DEFAULT_FORMAT 106
#define IDC_GENERAL_SET_DEFAULTS 107
#define IDC_GENERAL_VOX_PROMPT 108
#define IDC_GENERAL_VOX_DEFAULT 109
#define IDC_GENERAL_VOX_RATE 110
#define IDC_GENERAL_PLAY_WHEN_OPEN 111
#define IDC_AUDIO_DEVICE 101
#define IDC_AUDIO_AUTOPLAY 102
#define IDC_AUDIO_AUTOTRIM_THRESHOLD 103
#define IDC_AUDIO_FLAC_LEVEL 104
#define IDC_AUDIO_VORBIS_QUALITY 105
#define IDC_AUDIO_OPUS_BITRATE 106
#define IDC_AUDIO_UNDO_LEVELS 107
#define IDC_AUDIO_UNDO_DISK 108

// The About box.
#define IDC_ABOUT_VERSION 101

// The CD import dialog.
#define IDC_CD_DRIVE 101
#define IDC_CD_TRACKS 102
#define IDC_CD_REFRESH 103

// The installer's licence terms dialog; its text is the resource IDR_LICENCE_TEXT.
#define IDC_LICENCE_TEXT 101

// The start-up recovery prompt (Recover is IDOK).
#define IDC_RECOVER_TEXT 100
#define IDC_RECOVER_LIST 101
#define IDC_RECOVER_DISCARD 102

// ------------------------------------------------------------------ menus and commands

#define IDR_MAIN_MENU 1
#define IDR_WEB_POPUP 2   // Internet Resources, from the status bar
#define IDR_EDIT_POPUP 3  // the wave window's context menu
#define IDR_LICENCE_TEXT "LicenceText"  // RCDATA: the licence terms, paragraphs ending in "\n"

// File
#define IDM_NEW 1001
#define IDM_OPEN 1002
#define IDM_CLOSE 1003
#define IDM_SAVE 1004
#define IDM_SAVE_AS 1005
#define IDM_CONVERT_SAMPLE_RATE 1006
#define IDM_MONO 1007
#define IDM_STEREO 1008
#define IDM_SEND 1009
#define IDM_SETTINGS 1010
#define IDM_LOAD_CD 1011
#define IDM_EXIT 1048
#define IDM_RECENT_BASE 1049  // recent file n (1..11) is IDM_RECENT_BASE + n
#define IDM_RECENT_FIRST 1050
#define IDM_RECENT_LAST 1060
#define IDM_RECENT_SEPARATOR 1061

// Edit
#define IDM_UNDO 2001
#define IDM_CUT 2002
#define IDM_COPY 2003
#define IDM_PASTE 2004
#define IDM_PASTE_MIX 2005
#define IDM_DELETE 2006
#define IDM_SELECT_ALL 2007
#define IDM_MIX_FILE 2008
#define IDM_REPEAT_LOOP 2009
#define IDM_TRIM 2010
#define IDM_TRIM_START 2011
#define IDM_TRIM_END 2012
#define IDM_AUTO_TRIM 2013
#define IDM_SILENCE 2014
#define IDM_INSERT_SILENCE_BEGIN 2015
#define IDM_INSERT_SILENCE_CURRENT 2016
#define IDM_INSERT_SILENCE_END 2017
#define IDM_INSERT_FILE_BEGIN 2018
#define IDM_INSERT_FILE_CURRENT 2019
#define IDM_INSERT_FILE_END 2020
#define IDM_COPY_TO_NEW 2021
#define IDM_REDO 2022

// Play
#define IDM_RECORD 3001
#define IDM_PLAY 3002
#define IDM_PLAY_SLOW 3003
#define IDM_PLAY_NORMAL 3004
#define IDM_PLAY_FAST 3005
#define IDM_STOP 3006
#define IDM_GO_TO_START 3007
#define IDM_REWIND 3008
#define IDM_FAST_FORWARD 3009
#define IDM_GO_TO_END 3010

// Effects: every one is a record of the effect table.
#define IDM_AMPLIFY 4001
#define IDM_NORMALIZE 4002
#define IDM_EQUALIZER 4003
#define IDM_ECHO 4004
#define IDM_REVERB 4005
#define IDM_FADE_IN 4006
#define IDM_FADE_OUT 4007
#define IDM_ENVELOPE 4008
#define IDM_AUTO_GAIN_CONTROL 4009
#define IDM_NOISE_REDUCTION 4010
#define IDM_HIGH_PASS_FILTER 4011
#define IDM_COMPRESSOR 4012
#define IDM_FADE_OUT_AND_TRIM 4013
#define IDM_SIMPLE_SPEED_PITCH 4014
#define IDM_CONSTANT_PITCH_SPEED 4015
#define IDM_CONSTANT_SPEED_PITCH 4016

// View and Window
#define IDM_ZOOM_IN 5001
#define IDM_ZOOM_OUT 5002
#define IDM_ZOOM_SELECTION 5003
#define IDM_ZOOM_FULL 5004
#define IDM_VERTICAL_ZOOM 5005
#define IDM_WINDOW_FIRST 5007  // open document n (0-based) is IDM_WINDOW_FIRST + n
#define IDM_WINDOW_LAST 5026
#define IDM_WINDOW_SEPARATOR 5027
#define IDM_CLOSE_ALL 5040

// Help
#define IDM_HELP_CONTENTS 6000
#define IDM_WEB_FIRST 6001  // the Internet Resources entries
#define IDM_WEB_LAST 6012
#define IDM_ABOUT 6013

// ------------------------------------------------------------------ bitmaps and icons

#define IDI_MAIN 1
#define IDB_TOOLBAR 1  // the toolbar's strip; the splash screen shows it too
#define IDB_TOOLBAR_2X "Toolbar_2x"
#define IDB_VIEW_IMAGES "ViewImages"  // the zoom buttons' pictures (images 2, 4, 5, 6 and 8)
#define IDB_VIEW_IMAGES_2X "ViewImages_2x"
#define IDB_PLAY "PlayBitmap"
#define IDB_PLAY_ACTIVE "PlayActiveBitmap"
#define IDB_SCRUB "ScrubBitmap"
#define IDB_STOP "StopBitmap"
#define IDB_STOP_ACTIVE "StopActiveBitmap"
#define IDB_START "StartBitmap"
#define IDB_REWIND "RewindBitmap"
#define IDB_FORWARD "ForwardBitmap"
#define IDB_END "EndBitmap"
#define IDB_RECORD "RecordBitmap"
#define IDB_RETAKE "RetakeBitmap"
#define IDB_METER_GREEN "LDBDisplayGreen"
#define IDB_METER_RED "LDBDisplayRed"

// ------------------------------------------------------------------ help contexts
// Each opens one page of the manual (support/LHelp.cpp has the table).

#define IDH_CONTENTS 0
#define IDH_NEW_FILE 101
#define IDH_EDITS 102    // paste mix, mix file, insert silence, repeat
#define IDH_EFFECTS 103  // every effect dialog
#define IDH_RECORDING 104
#define IDH_CD_TRACKS 105
#define IDH_SETTINGS_GENERAL 106
#define IDH_SETTINGS_AUDIO 107
#define IDH_SAMPLE_RATE 108  // convert sample rate, VOX rate

// ------------------------------------------------------------------ timers of the main window

#define IDT_STATUS_MESSAGES 1
#define IDT_TIME_FIELDS 2
#define IDT_LOAD_OVERVIEW 3  // the overview drawn while a file loads
