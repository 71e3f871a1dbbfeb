#pragma once
// Identifiers of the program's embedded resources.

#define IDI_VARNEL 1

// The program's texts (strings.rc), read through platform/texts.h. "%1", "%2" mark where a
// path, a count or the system's reason goes.
#define IDS_APPLICATION_TITLE 100
#define IDS_MAIN_CAPTION 101
#define IDS_DROP_HINT 102
#define IDS_ALREADY_RUNNING 103
#define IDS_NOT_STARTED 104
#define IDS_FOLDER_NOT_WRITABLE 105
#define IDS_NOTE_NOT_CREATED 106
#define IDS_NOTE_TOOLTIP 110
#define IDS_MENU_FONT 120
#define IDS_MENU_TEXT_COLOUR 121
#define IDS_MENU_BACK_COLOUR 122
#define IDS_MENU_WEB_STRIP 123
#define IDS_MENU_RELOAD 124
#define IDS_MENU_OVERWRITE_SAVE 125
#define IDS_MENU_DISCARD 126
#define IDS_DISCARD_QUESTION 130
#define IDS_TEXT_NOT_SAVED 131
#define IDS_RECORD_NOT_DELETED 132
#define IDS_UNSAVED_HEADING 140
#define IDS_LOST_HEADING 141
#define IDS_MORE_ENTRIES 142
#define IDS_JOURNAL_PUT_BACK_HEADING 143
#define IDS_JOURNAL_FILE_CHANGED_HEADING 144
#define IDS_JOURNAL_SET_ASIDE_HEADING 145
#define IDS_ERROR_NUMBER 150
