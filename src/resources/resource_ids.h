// Resource numbers shared by lumora.rc and the win32 backend; plain macros so both the resource compiler and
// C++ without <windows.h> can read them.
#pragma once

// Icon 1 is the lowest-numbered icon, which the shell shows for Lumora.exe.
#define IDI_LUMORA 1
#define IDC_HIGHLIGHTER 101
// The pointing hand over links, hot spot at the fingertip (8,0).
#define IDC_HAND_POINTER 102
