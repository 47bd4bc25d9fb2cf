// TNavigationBar: the strip under the menu with the Back, Forward, Up, Favorites and Views
// buttons (all but Up with drop-downs), the three work-folder buttons and the address
// box. It only reports what the user did; the main window decides what happens.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Handle.h"
#include "ui/Window.h"

namespace quill {

enum TNavButton { nbBack, nbForward, nbUp, nbFavorites, nbViews };

class TNavigationBar : public TWindow {
public:
  static constexpr int kHeight = 28;
  static constexpr int kAddressMinWidth = 60;
  static constexpr int kAddressRowPadding = 3;

  bool Create(HWND parent);

  void EnableButton(TNavButton button, bool enabled);
  bool ButtonEnabled(TNavButton button) const;

  // The address box's text and colour (blue inside archives).
  void SetAddress(const std::string& text, COLORREF color);
  std::string Address() const;
  COLORREF AddressColor() const { return addressColor_; }
  HWND AddressBox() const { return combo_; }
  HWND AddressEdit() const { return edit_; }
  // The height of one line of the address box's list: the text with room above and below.
  int AddressRowHeight() const;

  // Work-folder button `slot` (0-2): caption colour and hint.
  void SetWorkFolder(int slot, COLORREF color, const std::string& hint);
  COLORREF WorkFolderColor(int slot) const { return workColor_[slot]; }
  const std::string& WorkFolderHint(int slot) const { return workHint_[slot]; }
  RECT WorkFolderRect(int slot) const;
  // Wide enough for the buttons, the work-folder buttons, the label and a short address box.
  int MinimumWidth() const { return labelRight_ + kAddressMinWidth + 2; }
  RECT ButtonRect(TNavButton button) const;

  std::function<void(TNavButton)> OnButton;
  // The drop-down arrow of Back, Forward or Favorites, with the screen point for the menu.
  std::function<void(TNavButton, POINT)> OnDropDown;
  std::function<void(int slot)> OnWorkClick;
  std::function<void(int slot)> OnWorkRightClick;
  std::function<void(const std::string&)> OnAddressEnter;
  // Called as the list opens: the lines to show.
  std::function<std::vector<std::string>()> OnAddressList;
  std::function<void(int index)> OnAddressPick;
  std::function<void()> OnAddressLabel;
  // Escape in the address box: the main window gives the focus back to the pane.
  std::function<void()> OnAddressCancel;

private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  static LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data);
  void Layout(int width);
  void Paint(HDC dc);
  void PaintWorkButtons(HDC dc);
  void FillAddressList();
  void DrawAddressRow(const DRAWITEMSTRUCT& item);
  void BuildImages();
  int WorkSlotAt(POINT p) const;

  HWND toolbar_ = nullptr;
  HWND combo_ = nullptr;
  HWND edit_ = nullptr;
  HWND tips_ = nullptr;
  HIMAGELIST images_ = nullptr;
  HIMAGELIST greyImages_ = nullptr;
  COLORREF addressColor_ = 0;
  std::array<COLORREF, 3> workColor_{};
  std::array<std::string, 3> workHint_;
  int workLeft_ = 0;
  int labelLeft_ = 0;
  int labelRight_ = 0;
  int pressedSlot_ = -1;
};

}  // namespace quill
