// What the drive window and the network browser share: a small modal popup with the dialog
// frame, a tool bar of glyph buttons at the top, a status bar at the bottom, and between them an
// owner-drawn, data-less list box that has the keyboard.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "drivewin/DriveGlyphs.h"
#include "ui/Window.h"

namespace quill {

class TToolFrame : public TWindow {
public:
  HWND List() const { return list_; }
  HWND ToolBar() const { return toolBar_; }
  HWND StatusBar() const { return statusBar_; }
  std::string StatusText() const;

  struct TToolButton {
    int command;
    TGlyph glyph;
    // A caption beside the picture; without one the hint shows as a tooltip.
    const wchar_t* caption;
    const wchar_t* hint;
    // A gap before the button.
    bool newGroup;
  };

protected:

  // Creates the window hidden with its bars and its list (rows of `rowHeight` pixels), the list
  // filling the client area between the bars.
  bool CreateFrame(HWND owner, const wchar_t* className, const wchar_t* caption, int clientWidth, int clientHeight,
                   const std::vector<TToolButton>& buttons, int rowHeight);
  struct TBarHeights {
    int toolBar;
    int statusBar;
  };
  // Sizes the bars to their fonts; their heights.
  TBarHeights BarHeights();
  // A new client height, the list taking what the bars leave.
  void SetClientHeight(int height);
  void SetStatusText(const std::string& text);
  void EnableCommand(int command, bool enabled);
  bool CommandEnabled(int command) const;

  // Places the window at `at` and runs it modally over `owner` until Close; the modal result.
  // The window is destroyed afterwards.
  int RunFrame(HWND owner, POINT at);
  void Close(int result) { modalResult_ = result; }

  // The frame's own messages: the face-coloured ground, the focus kept in the list, the tool
  // bar's hints, the close box as Cancel. Derived windows pass on what they do not handle.
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The list's messages, before the list box sees them; the default passes them on.
  virtual LRESULT ListMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
  void CreateToolBar(const std::vector<TToolButton>& buttons);
  void PlaceList();
  static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR self);

  std::vector<TToolButton> buttons_;
  int rowHeight_ = 0;
  int modalResult_ = 0;
  HWND list_ = nullptr;
  HWND toolBar_ = nullptr;
  HWND statusBar_ = nullptr;
  std::unique_ptr<TToolImages> toolImages_;
};

}  // namespace quill
