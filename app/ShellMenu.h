// The shell's own context menu for items of one folder, the one Explorer shows. While it is
// tracked, the main window hands it the drawing and menu messages of its owner-drawn items
// (the Send To and Open With submenus draw themselves).
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace quill {

class TShellMenu {
public:
  // The identifiers the shell numbers its commands with.
  static constexpr UINT kFirstCommand = 1;
  static constexpr UINT kLastCommand = 32767;

  TShellMenu();
  ~TShellMenu();
  TShellMenu(const TShellMenu&) = delete;
  TShellMenu& operator=(const TShellMenu&) = delete;

  // Asks the shell for the menu of `paths`: full paths that share one folder, or drive roots.
  // False when the shell has none for them.
  bool Load(HWND owner, const std::vector<std::string>& paths);
  // Fills a popup with the shell's commands, tracks it at `screen` with the right button and
  // carries out the chosen command. False when nothing was chosen or the command failed.
  bool Track(HWND owner, POINT screen);
  // Carries out a verb such as "properties" without showing the menu.
  bool InvokeVerb(HWND owner, const char* verb);
  // WM_INITMENUPOPUP, WM_DRAWITEM, WM_MEASUREITEM and WM_MENUCHAR while the menu is open; true
  // when the shell's menu took the message, with its answer in `result`.
  bool HandleMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
  bool Invoke(HWND owner, const char* verb, POINT at, bool withPoint);
  void ReleaseHandlers();

  HRESULT com_;
  IContextMenu* menu_ = nullptr;
  IContextMenu2* menu2_ = nullptr;
  IContextMenu3* menu3_ = nullptr;
};

}  // namespace quill
