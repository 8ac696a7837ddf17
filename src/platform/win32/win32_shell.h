// What the program hands to the system outside its windows: files, the version download, the shell and the
// help viewer; and where the process may load DLLs from. Win32System's calls for these are in
// win32_shell.cpp.
#pragma once

#include <windows.h>

#include "platform/win32/handle.h"

namespace tk::win32 {

// Restricts this process's DLL search to the system directory, so that a DLL planted beside the program
// (as in a Downloads folder) is never loaded. Called first thing at start.
void RestrictDllSearch();

// A DLL of the system's own, loaded from the system directory only; empty when that fails.
UniqueHmodule LoadSystemLibrary(const wchar_t* name);

// COM on the thread that enters it, as the shell asks of callers of ShellExecute (its handlers may be COM
// objects). Entered once, left when the owner goes, which must happen on the same thread.
class ComApartment {
 public:
  ComApartment() = default;
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  void Enter();

 private:
  bool tried_ = false;
  bool entered_ = false;
};

// The HTML help viewer (hhctrl.ocx), loaded on first use. Its windows run in this process, so the library
// stays loaded until they are closed, when the owner goes.
class HelpViewer {
 public:
  HelpViewer() = default;
  ~HelpViewer();
  HelpViewer(const HelpViewer&) = delete;
  HelpViewer& operator=(const HelpViewer&) = delete;

  // HtmlHelpA; the viewer's window, or null when it opened none.
  HWND Show(HWND owner, const char* file, UINT command, DWORD_PTR data);

 private:
  using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
  UniqueHmodule library_;
  HtmlHelpFunction htmlHelp_ = nullptr;
};

}  // namespace tk::win32
