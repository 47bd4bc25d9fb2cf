// Quill's entry point: one main window and the message loop.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <exception>

#include "app/MainForm.h"
#include "platform/Utf16.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  OleInitialize(nullptr);
  int exitCode = 0;
  {
    quill::TMainForm form({"", quill::Narrow(GetCommandLineW()), true});
    if (!form.Create()) return 1;
    try {
      form.Show();
    } catch (const std::exception& e) {
      quill::TWindow::ReportException(form.Handle(), e.what());
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      // Window procedures catch their own exceptions; this keeps the loop alive for the rest.
      try {
        // A key pressed anywhere in the program puts the pane's name tip away; a plain key keeps
        // a show pending for the focused entry (typing on in a quick search), a menu key does not.
        if (msg.message == WM_KEYDOWN) form.Pane().HideNameTipForKey();
        if (msg.message == WM_SYSKEYDOWN) form.Pane().HideNameTip();
        if (form.Handle() && TranslateAcceleratorW(form.Handle(), form.Accelerators(), &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      } catch (const std::exception& e) {
        quill::TWindow::ReportException(form.Handle(), e.what());
      } catch (...) {
        quill::TWindow::ReportException(form.Handle(), nullptr);
      }
    }
    exitCode = static_cast<int>(msg.wParam);
  }
  OleUninitialize();
  return exitCode;
}
