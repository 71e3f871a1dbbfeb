#pragma once
// Every message and timer identifier the program's own windows use, in one list, so that no two
// of them meet by chance. Messages are WM_APP-based and posted by the program to itself; timer
// identifiers are per window, and only the note window sets timers.

#include <windows.h>

namespace varnel {

// Tray clicks on the main window, the mouse message in lParam (a value the tray record holds).
inline constexpr UINT kTrayCallbackMessage = WM_APP + 1;

// Posted to the main window by a drop whose record could not be written (wParam: the Win32 error),
// so the message box opens after the drag has ended and not inside it; and by a drop whose note
// could not read its file for now.
inline constexpr UINT kNoteNotCreatedMessage = WM_APP + 0x40;
inline constexpr UINT kUnreadableFilesMessage = WM_APP + 0x41;

// The note window: its linked file's folder told of a change (posted by the file watch); its text
// box's text cannot be drawn, so the text box's control is to show it.
inline constexpr UINT kLinkedFileMessage = WM_APP + 0x50;
inline constexpr UINT kMakeTextBoxMessage = WM_APP + 0x51;
// Posted to the text box's control once the tooltip's tip has hidden: the tooltip may go.
inline constexpr UINT kDropTooltipMessage = WM_APP + 0x54;

// The note window's timers: typing paused, so the journal is brought up to date; the linked file
// has been quiet long enough to be looked at; a folder that could not be watched is asked again;
// the next slice of a long text goes into the text box.
inline constexpr UINT_PTR kJournalTimer = 0x4A4E;
inline constexpr UINT_PTR kFileSettledTimer = 0x4649;
inline constexpr UINT_PTR kWatchRetryTimer = 0x4652;
inline constexpr UINT_PTR kTextSliceTimer = 0x5453;

}  // namespace varnel
