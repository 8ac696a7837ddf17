// A console helper run inside a test prefix.
//   probe.exe                  lists every top-level window, then its children: depth, handle, visibility, class,
//                              text and rectangle, tab-separated. The text is asked for with WM_GETTEXT, so
//                              controls that keep their text to themselves (tooltips) answer too.
//   probe.exe drop-icon HWND ID  removes another program's tray icon, as a restarting shell loses every icon.
//   probe.exe broadcast NAME   posts the registered message NAME to every top-level window, as a restarted shell
//                              does with "TaskbarCreated".
//   probe.exe hold-hotkey SECONDS  takes Ctrl+H, prints "held" and keeps it for SECONDS or until killed, as
//                              another program that wants the key would; exits 1 when it is taken already.
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static BOOL CALLBACK print_window(HWND window, LPARAM depth) {
  char cls[256] = {0}, text[1024] = {0};
  DWORD_PTR copied = 0;
  RECT rect = {0, 0, 0, 0};
  GetClassNameA(window, cls, sizeof cls);
  if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_ABORTIFHUNG, 500, &copied))
    GetWindowTextA(window, text, sizeof text);
  for (char* p = text; *p; ++p)
    if (*p == '\t' || *p == '\r' || *p == '\n') *p = ' ';
  GetWindowRect(window, &rect);
  printf("%d\t%p\t%d\t%s\t%s\t%ld,%ld,%ld,%ld\n", (int)depth, (void*)window, IsWindowVisible(window) ? 1 : 0, cls,
         text, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  if (depth == 0) EnumChildWindows(window, print_window, 1);
  return TRUE;
}

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "broadcast") == 0) {
    UINT message = RegisterWindowMessageA(argv[2]);
    return message && PostMessageA(HWND_BROADCAST, message, 0, 0) ? 0 : 1;
  }
  if (argc == 4 && strcmp(argv[1], "drop-icon") == 0) {
    NOTIFYICONDATAA icon;
    memset(&icon, 0, sizeof icon);
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = (HWND)(ULONG_PTR)_strtoui64(argv[2], NULL, 16);
    icon.uID = (UINT)strtoul(argv[3], NULL, 10);
    return Shell_NotifyIconA(NIM_DELETE, &icon) ? 0 : 1;
  }
  if (argc == 3 && strcmp(argv[1], "hold-hotkey") == 0) {
    DWORD end = GetTickCount() + 1000u * (DWORD)atoi(argv[2]);
    MSG message;
    if (!RegisterHotKey(NULL, 1, MOD_CONTROL, 'H')) return 1;
    printf("held\n");
    fflush(stdout);
    for (LONG left; (left = (LONG)(end - GetTickCount())) > 0;) {  // an answering program, as a real one is
      MsgWaitForMultipleObjects(0, NULL, FALSE, (DWORD)left, QS_ALLINPUT);
      while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    return 0;
  }
  EnumWindows(print_window, 0);
  fflush(stdout);
  return 0;
}
