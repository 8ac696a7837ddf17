// Lumora.exe: the overlay form is the program; its load handler starts everything, and the message loop
// runs until the last form is unloaded.
#include <windows.h>

#include "app/form1.h"
#include "platform/app.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_system.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*show*/) {
  tk::win32::RestrictDllSearch();  // before anything loads a library
  tk::Win32System system(instance);
  tk::App app(system);
  Form1 form(app);
  form.Load();
  return tk::RunMessageLoop();
}
