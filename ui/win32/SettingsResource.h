// Resource ids of the settings pages (numbers as the program has always used
// them). Control ids are those of ui/LSettingsPages.h.
#pragma once

#define IDD_GENERAL_PAGE 16
#define IDD_AUDIO_PROCESS_PAGE 17
#define IDI_PROGRAM 1

#define IDC_RUN_WAV 101
#define IDC_RUN_MP3 102
#define IDC_RUN_GSM 103
#define IDC_RUN_VOX 104
#define IDC_PROMPT_RATE 105
#define IDC_DEFAULT_RATE 106
#define IDC_SET_DEFAULTS 107
#define IDC_VOX_PROMPT 108
#define IDC_VOX_DEFAULT 109
#define IDC_VOX_RATE 110
#define IDC_PLAY_WHEN_OPEN 111

#define IDC_PLAY_DEVICE 101
#define IDC_AUTO_PLAYBACK 102
#define IDC_TRIM_THRESHOLD 103
