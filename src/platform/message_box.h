#pragma once
// The program's message boxes, all titled with the application title.

#include <windows.h>

#include <string>

namespace varnel {

// Shows a modal message box titled with the application title; returns the button chosen (IDOK, IDCANCEL, ...).
int ShowMessageBox(HWND owner, const std::wstring& text, UINT type) noexcept;

}  // namespace varnel
