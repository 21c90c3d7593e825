// The ids of the controls of the program's windows: the settings window, its pages and the windows
// opened over it. Another process drives the windows by them, as the emulated device's window
// driver and tool and the end-to-end tests do. Also read by windres (plain macros for it).
#pragma once

// Several pages use the same number for different controls; each page's names carry the page's
// prefix.
#define IDC_TABS 1019
#define IDC_LOCATE_TEXT 1090

// Mute page (103). Its option ids are also stored, as DefaultOption.
#define IDC_MUTE_POWER_ON 1001
#define IDC_MUTE_FOR 1002
#define IDC_MUTE_UNTIL 1004
#define IDC_MUTE_UNTIL_TIME 1005
#define IDC_MUTE_RESTORE 1007
#define IDC_MUTE_EXIT 1010
#define IDC_MUTE_MEETING 1011
#define IDC_MUTE_EXTEND 1012
#define IDC_MUTE_MEETING_TEXT 1022
#define IDC_MUTE_CONTINUE 1023
#define IDC_MUTE_MINUTES 1026
#define IDC_MUTE_MINUTES_LABEL 1028
#define IDC_MUTE_CONTINUE_TEXT 1029

// Settings page (127)
#define IDC_SET_RUN_AT_STARTUP 1031
#define IDC_SET_START_MENU 1032
#define IDC_SET_PROGRAMS 1033
#define IDC_SET_EXTEND_DEFAULT 1038
#define IDC_SET_CHECK_INTERVAL 1039
#define IDC_SET_USER_MUTE 1040
#define IDC_SET_DEFAULT_OPTION 1041
#define IDC_SET_USER_UNMUTE 1042
#define IDC_SET_VIBRATE 1043
#define IDC_SET_CHECK_INTERVAL_LABEL 1061
#define IDC_SET_USER_MUTE_LABEL 1062
#define IDC_SET_DEFAULT_OPTION_LABEL 1063
#define IDC_SET_USER_UNMUTE_LABEL 1064
#define IDC_SET_LOCATE 1080
#define IDC_SET_TEST 1081
#define IDC_SET_TBICON_GROUP 1082

// Meetings page (130)
#define IDC_MEET_LINK 1012
#define IDC_MEET_ALL_DAY 1034
#define IDC_MEET_EXCLUDE_FREE 1035
#define IDC_MEET_INTERVAL 1040
#define IDC_MEET_GROUP 1041
#define IDC_MEET_INTERVAL_LABEL 1042
#define IDC_MEET_CATEGORIES_LABEL 1043
#define IDC_MEET_CATEGORIES 1044
#define IDC_MEET_COUNT 1045
#define IDC_MEET_CLEAR 1046
#define IDC_MEET_TODAY 1047
#define IDC_MEET_RULES 1048

// Apps page (140)
#define IDC_APPS_CLEAR 1046
#define IDC_APPS_ENABLE 1083
#define IDC_APPS_GROUP 1084
#define IDC_APPS_LIST_LABEL 1085
#define IDC_APPS_LIST 1086
#define IDC_APPS_COUNT 1087
#define IDC_APPS_EXPLANATION 1088
#define IDC_APPS_REFRESH 1089

// Sound page (137)
#define IDC_SOUND_WARN_ONLY 1012
#define IDC_SOUND_VOLUME 1013
#define IDC_SOUND_ENABLE 1064
#define IDC_SOUND_PROTECT 1066
#define IDC_SOUND_EVENTS 1067
#define IDC_SOUND_PROGRAMS 1068
#define IDC_SOUND_NOTIFICATIONS 1069
#define IDC_SOUND_SCREEN 1070
#define IDC_SOUND_KEYS 1071
#define IDC_SOUND_SCREEN_SOFT 1072
#define IDC_SOUND_SCREEN_HARD 1073
#define IDC_SOUND_KEYS_SOFT 1074
#define IDC_SOUND_KEYS_HARD 1075
#define IDC_SOUND_STATUS 1076
#define IDC_SOUND_SOFT_LABEL 1077
#define IDC_SOUND_LOUD_LABEL 1078
#define IDC_SOUND_VOLUME_LABEL 1079

// About page (126)
#define IDC_ABOUT_LOGO 1008
#define IDC_ABOUT_BADGE 1058
#define IDC_ABOUT_HISTORY 1059
#define IDC_ABOUT_HISTORY_LABEL 1060

// History view (141)
#define IDC_HISTORY_LIST 1091

// Today view (143)
#define IDC_TODAY_STATE 1092
#define IDC_TODAY_LIST 1093
#define IDC_TODAY_PREV 1094
#define IDC_TODAY_NEXT 1095
#define IDC_TODAY_DAY 1096
#define IDC_TODAY_BAND 1097

// Rules view (144)
#define IDC_RULES_EARLY 1100
#define IDC_RULES_LATE 1101
#define IDC_RULES_SKIP 1102
#define IDC_RULES_ALWAYS 1103
#define IDC_RULES_QUIET_FROM 1104
#define IDC_RULES_QUIET_TO 1105
// The day boxes, Sunday to Saturday: IDC_RULES_SUNDAY + the day of the week.
#define IDC_RULES_SUNDAY 1110
#define IDC_RULES_MONDAY 1111
#define IDC_RULES_TUESDAY 1112
#define IDC_RULES_WEDNESDAY 1113
#define IDC_RULES_THURSDAY 1114
#define IDC_RULES_FRIDAY 1115
#define IDC_RULES_SATURDAY 1116
